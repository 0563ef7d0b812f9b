#include "learning/register.h"

#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "history/programhistory.h"
#include "learning/frmPractice.h"
#include "learning/frmReview.h"
#include "learning/frmTest.h"

namespace Learning
{
namespace
{
frmReview *makeStudy(AppContext &ctx, const StudyRequest &request)
{
    auto *w = new frmReview(ctx, request);
    QObject::connect(w, &frmReview::studyFinished, w,
                     [&ctx](const StudySession &session) { ctx.history.recordStudy(session); });
    return w;
}

frmPractice *makePractice(AppContext &ctx, const PracticeRequest &request)
{
    auto *w = new frmPractice(ctx, request);
    QObject::connect(w, &frmPractice::practiceFinished, w,
                     [&ctx](const PracticeSession &session) { ctx.history.recordPractice(session); });
    return w;
}
} // namespace

void registerWindows()
{
    // Every finished or stopped run and every study and practice session goes to the history.
    Forms::registerFactory(Windows::Test, [](AppContext &ctx) {
        auto *w = new frmTest(ctx);
        QObject::connect(w, &frmTest::runFinished, w, [&ctx](const TestRun &run) { ctx.history.recordRun(run); });
        return w;
    });
    // Opened from the activity menu, the study window studies the chosen test.
    Forms::registerFactory(Windows::Review, [](AppContext &ctx) {
        return makeStudy(ctx, {ctx.TestName(), ctx.TestDir(), std::nullopt});
    });
    // From the activity menu, practice on the chosen test's words.
    Forms::registerFactory(Windows::Practice, [](AppContext &ctx) {
        return makePractice(ctx, {ctx.TestName(), ctx.TestDir(), std::nullopt});
    });
}

Form *loadStudy(AppContext &ctx, const StudyRequest &request)
{
    if (Form *loaded = Forms::find(Windows::Review))
        return loaded;
    return makeStudy(ctx, request);
}

Form *loadPractice(AppContext &ctx, const PracticeRequest &request)
{
    if (Form *loaded = Forms::find(Windows::Practice))
        return loaded;
    return makePractice(ctx, request);
}
} // namespace Learning
