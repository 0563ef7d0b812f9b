// The progress report panel of the authoring window. The window grows to the report's
// size while it shows and returns to its own size after.
#include "authoring/frmMaint.h"

#include "core/platform/appcontext.h"

#include "authoring/progressreport.h"
#include "core/ui/layout.h"

#include <QComboBox>
#include <QPushButton>

namespace
{
namespace At
{
constexpr Twips::Box pnlProgress{0, 0, 9600, 6900};
} // namespace At
} // namespace

void frmMaint::buildProgressPanel()
{
    pnlProgress = new ProgressReport(m_ctx, client);
    Twips::place(pnlProgress, At::pnlProgress);
    connect(pnlProgress, &ProgressReport::backClicked, this, &frmMaint::btnProgressBack_Click);
}

void frmMaint::btnProgress_Click()
{
    setClientTwips(At::pnlProgress.width, At::pnlProgress.height);
    pnlProgress->reload();
    Panels::show(pnlProgress);
    Panels::hide(pnlStart);
    setEnterButton(nullptr);
    pnlProgress->cboChild->setFocus();
}

void frmMaint::btnProgressBack_Click()
{
    Panels::show(pnlStart);
    Panels::hide(pnlProgress);
    setClientTwips(ClientWidth, ClientHeight);
}
