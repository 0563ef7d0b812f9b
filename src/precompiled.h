// The Qt and standard headers that most of the program's sources include. They are
// compiled once and reused by every library that links Qt Widgets, and by the test
// programs (src/CMakeLists.txt, tests/CMakeLists.txt): parsing them again was about 40%
// of each source's compile time. Every source still includes what it uses itself.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QListWidget>
#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>
