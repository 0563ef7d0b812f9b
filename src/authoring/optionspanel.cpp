#include "authoring/optionspanel.h"

#include "core/platform/appcontext.h"

#include "classroom/classroom.h"
#include "core/platform/dialogs.h"
#include "core/platform/inifile.h"
#include "core/platform/settings.h"
#include "core/platform/testlibrary.h"
#include "core/ui/layout.h"
#include "core/ui/soundform.h"
#include "core/ui/widgets.h"
#include "history/historystore.h"
#include "history/programhistory.h"
#include "voice/dictionary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <iterator>

namespace
{
// The panel's geometry in twips.
namespace At
{
constexpr Twips::Box pnlOptions{0, 0, 5340, 4920};
constexpr Twips::Box chkPassword{180, 150, 2265, 465};
constexpr Twips::Box Label1{2670, 60, 1170, 225};
constexpr Twips::Box txtPassword{2670, 270, 2265, 360};
constexpr Twips::Box lblChildren{180, 720, 2900, 255};
constexpr Twips::Box lstChildren{180, 975, 2900, 1200};
constexpr Twips::Box btnAddChild{3300, 975, 1830, 420};
constexpr Twips::Box btnRemoveChild{3300, 1455, 1830, 420};
constexpr Twips::Box btnClassServer{3300, 1890, 1830, 360};
constexpr Twips::Box btnSaveOptions{2985, 2280, 2145, 825};
constexpr Twips::Box btnCancelOptions{465, 2280, 2145, 825};
constexpr Twips::Box lblDictionary{180, 3285, 1100, 255};
constexpr Twips::Box cboDictionary{1300, 3240, 2400, 345};
constexpr Twips::Box lblLettersFor{180, 3660, 4950, 255};
constexpr Twips::Box lblLetters{180, 4005, 810, 255};
constexpr Twips::Box cboLetters{1005, 3960, 1900, 345};
constexpr Twips::Box lblSize{3075, 4005, 540, 255};
constexpr Twips::Box cboSize{3630, 3960, 1500, 345};
constexpr Twips::Box lblSpacing{180, 4425, 810, 255};
constexpr Twips::Box cboSpacing{1005, 4380, 1900, 345};
constexpr Twips::Box lblLettersSample{3075, 4365, 2055, 480};

constexpr double ButtonPoints = 9.75;
} // namespace At
} // namespace

OptionsPanel::OptionsPanel(SoundForm *window, AuthoringSession *session, QWidget *parent)
    : MaintPanel(window, session, parent, QStringLiteral("pnlOptions"), At::pnlOptions)
{
    chkPassword = Ui::checkBox(this, QStringLiteral("chkPassword"),
                               QStringLiteral("Password Protect This Test Configuration Screen"), At::chkPassword);
    Label1 = Ui::label(this, QStringLiteral("Label1"), QStringLiteral("Password"), At::Label1);
    txtPassword = Ui::textBox(this, QStringLiteral("txtPassword"), At::txtPassword);
    txtPassword->setAccessibleName(QStringLiteral("Password"));
    // The settings file keeps values up to its limit; a longer password would be read
    // back cut and never match again.
    txtPassword->setMaxLength(IniFile::MaxValueLength);
    lblChildren = Ui::label(this, QStringLiteral("lblChildren"), QStringLiteral("Children"), At::lblChildren);
    lstChildren = Ui::list(this, QStringLiteral("lstChildren"), At::lstChildren);
    lstChildren->setAccessibleName(QStringLiteral("Children"));
    lblChildren->setBuddy(lstChildren);
    btnAddChild = Ui::button(this, QStringLiteral("btnAddChild"), QStringLiteral("Add Child"), At::btnAddChild);
    btnRemoveChild =
        Ui::button(this, QStringLiteral("btnRemoveChild"), QStringLiteral("Remove Child"), At::btnRemoveChild);
    lblDictionary = Ui::label(this, QStringLiteral("lblDictionary"), QStringLiteral("Dictionary:"), At::lblDictionary);
    cboDictionary = new QComboBox(this);
    cboDictionary->setObjectName(QStringLiteral("cboDictionary"));
    cboDictionary->setAccessibleName(QStringLiteral("Dictionary"));
    for (const Dictionaries::Language l : Dictionaries::all())
        cboDictionary->addItem(Dictionaries::caption(l), Dictionaries::code(l));
    Twips::place(cboDictionary, At::cboDictionary);
    lblDictionary->setBuddy(cboDictionary);
    btnClassServer =
        Ui::button(this, QStringLiteral("btnClassServer"), QStringLiteral("Class Server..."), At::btnClassServer);
    btnSaveOptions = Ui::pictureButton(this, QStringLiteral("btnSaveOptions"), QStringLiteral("Save Options"),
                                       MaintArt::path("maint_saveoptions"), At::btnSaveOptions);
    btnCancelOptions = Ui::pictureButton(this, QStringLiteral("btnCancelOptions"), QStringLiteral("Cancel"),
                                         MaintArt::path("maint_cancel"), At::btnCancelOptions);
    for (QPushButton *b : {btnSaveOptions, btnCancelOptions})
        b->setFont(Fonts::sized(At::ButtonPoints, true));

    // The letters of the child selected in the list.
    lblLettersFor = Ui::label(this, QStringLiteral("lblLettersFor"), QString(), At::lblLettersFor);
    const auto combo = [this](const QString &name, const QStringList &items, const Twips::Box &at) {
        auto *c = new QComboBox(this);
        c->setObjectName(name);
        c->addItems(items);
        Twips::place(c, at);
        return c;
    };
    lblLetters = Ui::label(this, QStringLiteral("lblLetters"), QStringLiteral("Letters:"), At::lblLetters);
    cboLetters =
        combo(QStringLiteral("cboLetters"),
              {QStringLiteral("Standard"), QStringLiteral("Andika"), QStringLiteral("OpenDyslexic")}, At::cboLetters);
    lblSpacing = Ui::label(this, QStringLiteral("lblSpacing"), QStringLiteral("Spacing:"), At::lblSpacing);
    cboSpacing = combo(QStringLiteral("cboSpacing"),
                       {QStringLiteral("Normal"), QStringLiteral("Wide"), QStringLiteral("Wider")}, At::cboSpacing);
    lblSize = Ui::label(this, QStringLiteral("lblSize"), QStringLiteral("Size:"), At::lblSize);
    QStringList sizes;
    for (int size : Letters::Sizes)
        sizes << QStringLiteral("%1%").arg(size);
    cboSize = combo(QStringLiteral("cboSize"), sizes, At::cboSize);
    for (auto [label, box] : {std::pair{lblLetters, cboLetters}, {lblSpacing, cboSpacing}, {lblSize, cboSize}}) {
        label->setBuddy(box);
        box->setAccessibleName(Ui::plainCaption(label->text()).chopped(1));
    }
    // Each face's name in its own letters, where it is installed.
    for (int i = 1; i < cboLetters->count(); ++i)
        if (const QString family = Letters::family(Letters::Face(i)); !family.isEmpty())
            cboLetters->setItemData(i, QFont(family), Qt::FontRole);
    lblLettersSample =
        Ui::label(this, QStringLiteral("lblLettersSample"), QStringLiteral("spelling"), At::lblLettersSample);
    lblLettersSample->setAlignment(Qt::AlignCenter);
    lblLettersSample->setFont(Fonts::sized(12, true));

    connect(btnSaveOptions, &QPushButton::clicked, this, &OptionsPanel::btnSaveOptions_Click);
    connect(btnCancelOptions, &QPushButton::clicked, this, &OptionsPanel::btnCancelOptions_Click);
    connect(btnAddChild, &QPushButton::clicked, this, &OptionsPanel::btnAddChild_Click);
    connect(btnRemoveChild, &QPushButton::clicked, this, &OptionsPanel::btnRemoveChild_Click);
    connect(btnClassServer, &QPushButton::clicked, this, &OptionsPanel::btnClassServer_Click);
    connect(lstChildren, &QListWidget::currentRowChanged, this, [this] { showLetters(selectedChild()); });
    for (QComboBox *c : {cboLetters, cboSpacing, cboSize})
        connect(c, &QComboBox::currentIndexChanged, this, &OptionsPanel::lettersChanged);
}

QString OptionsPanel::selectedChild() const
{
    const QListWidgetItem *item = lstChildren->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void OptionsPanel::showLetters(const QString &child)
{
    m_lettersChild = child;
    lblLettersFor->setText(child.isEmpty() ? QStringLiteral("How words are shown when no child is chosen:")
                                           : QStringLiteral("How words are shown to %1:").arg(child));
    const Letters::Style style = m_letters.contains(child) ? m_letters.value(child) : Letters::of(child);
    m_showingLetters = true;
    cboLetters->setCurrentIndex(int(style.face));
    cboSpacing->setCurrentIndex(int(style.spacing));
    cboSize->setCurrentIndex(
        std::max(0, int(std::find(std::begin(Letters::Sizes), std::end(Letters::Sizes), style.sizePercent) -
                        std::begin(Letters::Sizes))));
    m_showingLetters = false;
    Letters::apply({lblLettersSample}, style);
}

void OptionsPanel::lettersChanged()
{
    if (m_showingLetters)
        return;
    Letters::Style style;
    style.face = Letters::Face(std::max(0, cboLetters->currentIndex()));
    style.spacing = Letters::Spacing(std::max(0, cboSpacing->currentIndex()));
    style.sizePercent = Letters::Sizes[std::clamp(cboSize->currentIndex(), 0, int(std::size(Letters::Sizes)) - 1)];
    m_letters.insert(m_lettersChild, style);
    Letters::apply({lblLettersSample}, style);
}

QWidget *OptionsPanel::focusOnShow() const
{
    return btnSaveOptions;
}

void OptionsPanel::reload()
{
    // Only while protection is on are the stored values shown; otherwise the controls
    // keep what they show (empty in a new window, as last left after a cancel).
    if (Settings::isProtected()) {
        chkPassword->setChecked(true);
        txtPassword->setText(Settings::password());
    }
    cboDictionary->setCurrentIndex(cboDictionary->findData(Dictionaries::code(Dictionaries::chosen())));
    m_letters.clear();
    loadChildren();
}

void OptionsPanel::loadChildren()
{
    const QSignalBlocker quiet(lstChildren);
    lstChildren->clear();
    lstChildren->addItems(ctx().history.children());
    showLetters(QString());
}

void OptionsPanel::btnSaveOptions_Click()
{
    // Switched off, the old password stays in the file; nothing reads it then. A
    // failed write has shown the settings error box; the panel closes all the same.
    // The dictionary is written only when changed, and not after a failed write (whose
    // box has been shown once).
    const QString dictionary = cboDictionary->currentData().toString();
    if (Settings::saveProtection(chkPassword->isChecked(), txtPassword->text()) &&
        dictionary != Dictionaries::code(Dictionaries::chosen()))
        Settings::set(Dictionaries::SettingKey, dictionary);
    QList<std::pair<QString, Letters::Style>> letters;
    for (auto it = m_letters.cbegin(); it != m_letters.cend(); ++it)
        letters.append({it.key(), it.value()});
    Letters::save(letters);
    m_letters.clear();
    Q_EMIT switchTo(MaintPage::Start);
}

void OptionsPanel::btnCancelOptions_Click()
{
    Q_EMIT switchTo(MaintPage::Start);
}

// Children are kept by the history at once; the password waits for "Save Options".
void OptionsPanel::btnAddChild_Click()
{
    HistoryStore *store = ctx().history.store();
    if (!store) {
        MsgBox(QStringLiteral("The history is not available, so no child can be added."), MsgButtons::Ok,
               MsgIcon::Exclamation);
        return;
    }
    const QString name = InputBox(QStringLiteral("Type the child's name:"), QStringLiteral("Add Child"));
    if (name.isEmpty())
        return; // cancelled
    if (ctx().history.classLink()) {
        const QString why = HistoryStore::nameProblem(name);
        if (!why.isEmpty() || !changeRoster(name.trimmed(), {}).isEmpty()) {
            if (!why.isEmpty())
                MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Add Child"));
            return;
        }
    } else if (const QString why = store->addChild(name); !why.isEmpty()) {
        MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Add Child"));
        return;
    }
    loadChildren();
    Q_EMIT ctx().catalogue.changed();
}

void OptionsPanel::btnRemoveChild_Click()
{
    HistoryStore *store = ctx().history.store();
    QString name;
    if (!store || !selectedText(lstChildren, name))
        return;
    if (MsgBox(QStringLiteral("Remove %1?\n\nEvery result Wordaroo remembers about %1 will be deleted.").arg(name),
               MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Remove Child")) != MsgResult::Yes)
        return;
    if (ctx().history.classLink() && !changeRoster({}, name).isEmpty())
        return;
    if (const QString why = store->forgetChild(name); !why.isEmpty() && !ctx().history.classLink()) {
        MsgBox(why, MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Remove Child"));
    } else {
        // A child added later under the name starts with the standard letters.
        m_letters.remove(name);
        if (!Letters::of(name).isStandard())
            Letters::save({{name, Letters::Style{}}});
    }
    if (ctx().history.child() == name)
        ctx().history.setChild(QString());
    loadChildren();
    Q_EMIT ctx().catalogue.changed();
}

void OptionsPanel::btnClassServer_Click()
{
    Q_EMIT switchTo(MaintPage::ClassServer);
}

QString OptionsPanel::changeRoster(const QString &add, const QString &remove)
{
    auto *classroom = dynamic_cast<Classroom *>(ctx().history.classLink());
    if (!classroom)
        return {};
    const QString title = add.isEmpty() ? QStringLiteral("Remove Child") : QStringLiteral("Add Child");
    QString password = classroom->teacherPassword();
    if (password.isEmpty())
        password = PasswordBox(QStringLiteral("Please enter the teacher's password for the class server:"), title);
    if (password.isEmpty())
        return QStringLiteral("cancelled");
    const ClassSettings settings = classroom->settings();
    QString why = Classroom::runWaiting(
        form(), [=] { return Classroom::changeRoster(settings, password, add, remove); },
        (Classroom::ConnectSeconds + 5) * 1000);
    // The window may have closed meanwhile, taking the classroom with it only at the program's end.
    if (!form()->alive())
        return QStringLiteral("closed");
    if (!why.isEmpty()) {
        // A wrong password is asked again next time.
        classroom->setTeacherPassword({});
        MsgBox(QStringLiteral("The class roster was not changed: ") + why, MsgButtons::Ok, MsgIcon::Exclamation, title);
        return why;
    }
    classroom->setTeacherPassword(password);
    classroom->rosterChanged(add, remove);
    return {};
}
