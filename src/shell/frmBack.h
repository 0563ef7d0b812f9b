#pragma once
#include "core/platform/forms.h"

// The full-screen dark blue background behind the program's small windows for the
// whole run. It has no controls; whenever it is activated, clicked or focused it
// hands the focus back to the program's foreground window, so it never stays in
// front of the window the child works with.
class frmBack final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY(frmBack)
  public:
    explicit frmBack(QWidget *parent = nullptr);

    static inline const QString Caption = QStringLiteral("Wordaroo!");

    // The window that the hand-back would activate now, or nullptr: the first loaded
    // window, in load order, that is visible and not captioned as this one.
    Form *handBackTarget() const;

  public Q_SLOTS:
    void Form_Activate();
    void Form_Click();
    void Form_GotFocus();

  protected:
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    void Form_Load();
    void handBack();
};
