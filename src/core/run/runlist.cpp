#include "core/run/runlist.h"

RunList::RunList(const TestRun &run, Shows shows, QObject *parent)
    : QAbstractListModel(parent), m_run(run), m_shows(shows), m_count(int(shown().size()))
{
}

const QStringList &RunList::shown() const
{
    switch (m_shows) {
    case Shows::Words:
        return m_run.words();
    case Shows::Answers:
        return m_run.answers();
    case Shows::Rows:
        break;
    }
    return m_run.rows();
}

int RunList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

QVariant RunList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_count)
        return {};
    if (role == Qt::DisplayRole)
        return shown().value(index.row());
    return {};
}

Qt::ItemFlags RunList::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void RunList::refresh()
{
    const int count = int(shown().size());
    if (count > m_count) {
        beginInsertRows({}, m_count, count - 1);
        m_count = count;
        endInsertRows();
    } else if (count < m_count) {
        beginRemoveRows({}, count, m_count - 1);
        m_count = count;
        endRemoveRows();
    }
    // Rows already shown may read differently now (the scoring marks them).
    if (m_count > 0)
        Q_EMIT dataChanged(index(0), index(m_count - 1), {Qt::DisplayRole});
}
