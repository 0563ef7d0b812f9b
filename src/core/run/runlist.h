#pragma once
#include "core/run/testrun.h"

#include <QAbstractListModel>

// One list of a test run as rows of a list view: its words, its answers or its scored
// rows. The run belongs to the window that shows it; the window calls refresh() after
// changing the run, and the view follows. Nothing is copied into the view.
class RunList final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY(RunList)
  public:
    enum class Shows { Words, Answers, Rows };
    RunList(const TestRun &run, Shows shows, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Tells the view what changed in the run since the last refresh.
    void refresh();

  private:
    const QStringList &shown() const;

    const TestRun &m_run;
    const Shows m_shows;
    int m_count = 0; // the rows the view knows of
};
