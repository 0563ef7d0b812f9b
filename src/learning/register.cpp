#include "learning/register.h"

#include "core/forms.h"
#include "learning/study_window.h"
#include "learning/test_window.h"

namespace Learning {
void registerWindows()
{
    Forms::registerFactory(QStringLiteral("frmTest"), [] { return new frmTest; });
    Forms::registerFactory(QStringLiteral("frmReview"), [] { return new frmReview; });
}
} // namespace Learning
