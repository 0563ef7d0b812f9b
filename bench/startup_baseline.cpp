// The baseline of bench_startup: the least a Qt Widgets program does to show a window
// like the start window, that is a dialog with a label, a button and a filled list,
// about the start window's size and with its title. Linked to Qt Widgets only, and
// started and timed by bench_startup exactly as the program is.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Wordaroo"));
    auto *label = new QLabel(QStringLiteral("Click on the spelling test you want to take:"), &dialog);
    label->setGeometry(10, 10, 427, 20);
    auto *list = new QListWidget(&dialog);
    list->addItems({QStringLiteral("Test_Animals"), QStringLiteral("Test_Colours")});
    list->setCurrentRow(0);
    list->setGeometry(10, 40, 280, 320);
    auto *button = new QPushButton(QStringLiteral("Take the Test"), &dialog);
    button->setGeometry(300, 40, 137, 30);
    dialog.resize(447, 370); // the start window's size with the sample tests
    dialog.show();
    return QApplication::exec();
}
