#pragma once
#include "authoring/maintpanel.h"

class QLabel;

// pnlSelectTest: the list of tests, to edit, delete, share one, or add a shared one.
class SelectTestPanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(SelectTestPanel)
  public:
    SelectTestPanel(SoundForm *window, AuthoringSession *session, QWidget *parent);

    QLabel *Label2 = nullptr;
    QListWidget *LstTests = nullptr;
    QPushButton *btnDeleteTest = nullptr;
    QPushButton *btnEditTest = nullptr;
    QPushButton *btnCancelSelect = nullptr;
    QPushButton *btnShareTest = nullptr; // the selected test as one file to give away
    QPushButton *btnAddShared = nullptr; // a test someone shared, added from its file
    // With a class server set: the teacher's buttons.
    QPushButton *btnPublish = nullptr;
    QPushButton *btnWithdraw = nullptr;
    QPushButton *btnAssign = nullptr;

    void reload() override { LoadTests(); }
    // The tests listed, as listed.
    QStringList listedTests() const;
    // Lists a test just made, in its sorted place.
    void addTest(const QString &entry);

  public Q_SLOTS:
    // Lists the tests again and selects the first.
    void LoadTests();

    void btnDeleteTest_Click();
    void btnEditTest_Click();
    void btnCancelSelect_Click();
    void btnShareTest_Click();
    void btnAddShared_Click();
    void btnPublish_Click();
    void btnWithdraw_Click();
    void btnAssign_Click();

  Q_SIGNALS:
    // The selected test was chosen for editing: its words are to be shown.
    void testChosen();

  private:
    // Whether a test is selected that the adult may change; its entry goes to entry.
    bool selectedOwnTest(QString &entry);
};
