#include "learning/register.h"

#include "core/platform/forms.h"
#include "history/programhistory.h"
#include "learning/frmReview.h"
#include "learning/frmTest.h"

namespace Learning
{
void registerWindows()
{
    // Every finished or stopped run and every study session goes to the history.
    Forms::registerFactory(Windows::Test, [] {
        auto *w = new frmTest;
        QObject::connect(w, &frmTest::runFinished, w, &ProgramHistory::recordRun);
        return w;
    });
    Forms::registerFactory(Windows::Review, [] {
        auto *w = new frmReview;
        QObject::connect(w, &frmReview::studyFinished, w, &ProgramHistory::recordStudy);
        return w;
    });
}
} // namespace Learning
