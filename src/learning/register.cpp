#include "learning/register.h"

#include "core/forms.h"
#include "learning/frmReview.h"
#include "learning/frmTest.h"

namespace Learning
{
void registerWindows()
{
    Forms::registerFactory(QStringLiteral("frmTest"), [] { return new frmTest; });
    Forms::registerFactory(QStringLiteral("frmReview"), [] { return new frmReview; });
}
} // namespace Learning
