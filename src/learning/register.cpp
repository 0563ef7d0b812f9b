#include "learning/register.h"

#include "core/platform/forms.h"
#include "learning/frmReview.h"
#include "learning/frmTest.h"

namespace Learning
{
void registerWindows()
{
    Forms::registerFactory(Windows::Test, [] { return new frmTest; });
    Forms::registerFactory(Windows::Review, [] { return new frmReview; });
}
} // namespace Learning
