#pragma once
#include "core/platform/forms.h"

class AppContext;
class MMControl;
class Picture;
class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QMenuBar;
class QPushButton;
class QTimer;

// The start window: where the child picks a test. Loading it starts the program
// (background window, program folder, welcome prompt, test list); it stays loaded,
// hidden or shown, for the whole run, and closing it ends the program. Other windows
// reach it by name: they read lstWords and call LoadTests.
class frmLogin final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY(frmLogin)
  public:
    explicit frmLogin(AppContext &context, QWidget *parent = nullptr);

    // Outer window sizes in twips (collapsed and expanded width, height).
    static constexpr int CollapsedWidth = 6800;
    static constexpr int ExpandedWidth = 9000;
    static constexpr int OuterHeight = 5950;

    static inline const QString SeeWords = QStringLiteral("See Test Words >>");
    static inline const QString HideWords = QStringLiteral("Hide Test Words <<");

    // Whether the test's words show beside the list (the wider window).
    bool isExpanded() const { return m_expanded; }

    // The configuration password gate: true when no password is set or the one typed
    // matches; otherwise the adult has been told why not.
    bool passwordAccepted();

  public Q_SLOTS:
    // Rebuilds lstTests from the test folders; the selected test stays selected while
    // it is still listed, otherwise the first entry is.
    void LoadTests();

    void LstTests_Click();
    // Another child chosen: remembered, and the tests listed again for them.
    void cboChild_Click();
    void btnOK_Click();
    void btnSeeWords_Click();
    void mnuCreate_Click();
    void mnuHelp_Click();
    void Picture1_Click();
    void Timer1_Timer();
    // A shared test (a ".wordaroo" file or a folder of wave files) opened from the
    // desktop or dropped here: behind the password gate, asks and adds it.
    void openShared(const QString &path);
    // With a class server set: the chosen child's tests to do, under the test list.
    void showToDo();

  protected:
    void closeEvent(QCloseEvent *event) override;
    // Shown again (after a test, a game or the authoring window): the list is remade,
    // since "Tricky Words" may have been made, changed or retired meanwhile.
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

  private:
    AppContext &m_ctx;
    void Form_Load();
    void setOuterWidth(int twips);
    // Shows or hides the word list beside the tests, and captions the button to match.
    void setExpanded(bool expanded);
    void setSelectionFromList();
    void openAuthoring();
    // Shows the child drop-down above the test list when a child exists.
    void loadChildren();

    bool m_shownBefore = false;
    QMenuBar *m_menu = nullptr;
    QAction *mnuCreate = nullptr;
    QAction *mnuHelp = nullptr;
    QWidget *m_client = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QListWidget *lstTests = nullptr;
    QLabel *lblChild = nullptr;
    QComboBox *cboChild = nullptr;
    QLabel *lblToDo = nullptr;
    Picture *Picture1 = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnSeeWords = nullptr;
    QListWidget *lstWords = nullptr;
    Picture *Image1 = nullptr;
    QTimer *Timer1 = nullptr;
    MMControl *MMControl1 = nullptr;
    bool m_expanded = false;
};
