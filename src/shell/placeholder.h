#pragma once
#include "core/forms.h"

#include <functional>

// A stand-in for a window whose folder has not registered it: named as the real
// window, it says so and, when closed, hands control back (onClose). It lets the
// shell's buttons lead somewhere before every activity exists.
class PlaceholderForm final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY(PlaceholderForm)
  public:
    PlaceholderForm(const QString &name, std::function<void()> onClose);

  protected:
    void Form_Unload(bool &keepOpen) override;

  private:
    std::function<void()> m_onClose;
};

namespace Shell
{
// Shows the registered window of that name, or a placeholder of that name whose
// closing runs onClose. Returns the shown window.
Form *showOrPlaceholder(const QString &name, std::function<void()> onClose);
} // namespace Shell
