#pragma once
#include <QLoggingCategory>

// The history's failures (the store, its exports, the tricky-words folder), each logged
// once with its reason where it happens.
Q_DECLARE_LOGGING_CATEGORY(lcHistory)
