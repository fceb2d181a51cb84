#include "ui/EventsListModel.h"

#include <QColor>
#include <utility>

namespace orva {
namespace {

QString ToQ(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

QColor ToColor(Rgb rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

Qt::Alignment AlignmentOf(CellAlign align) {
    switch (align) {
        case CellAlign::Centre:
            return Qt::AlignCenter;
        case CellAlign::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case CellAlign::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

CEventsListModel::CEventsListModel(CEventRows rows, const CEventTypeNames& typeNames,
                                   QObject* parent)
    : QAbstractTableModel(parent), rows_(std::move(rows)), typeNames_(typeNames) {}

int CEventsListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.Count());
}

int CEventsListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CEventsListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto position = static_cast<size_t>(index.row());
    const EventRow& row = rows_[position];
    switch (role) {
        case Qt::DisplayRole:
            return ToQ(CellText(row, position, index.column(), typeNames_));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(AlignmentOf(kEventColumns[index.column()].align));
        case Qt::ForegroundRole: {
            const CellColours colours = CellColoursOf(row, index.column());
            return colours.text ? QVariant(ToColor(*colours.text)) : QVariant();
        }
        case Qt::BackgroundRole:
            return ToColor(CellColoursOf(row, index.column()).back);
        default:
            return {};
    }
}

QVariant CEventsListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    if (role == Qt::DisplayRole) {
        const std::u16string_view header = kEventColumns[section].header;
        return QString::fromUtf16(header.data(), static_cast<qsizetype>(header.size()));
    }
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

bool CEventsListModel::Append(EventRow row) {
    if (rows_.Full()) return false;
    const int at = rowCount();
    beginInsertRows({}, at, at);
    rows_.Append(std::move(row));
    endInsertRows();
    return true;
}

void CEventsListModel::Replace(size_t position, EventRow row) {
    rows_.Replace(position, std::move(row));
    RowChanged(position);
}

void CEventsListModel::Remove(size_t position) {
    const int at = static_cast<int>(position);
    beginRemoveRows({}, at, at);
    rows_.Remove(position);
    endRemoveRows();
    // The rows below show their position, which just changed.
    if (position < rows_.Count())
        emit dataChanged(index(at, kColumnEvent), index(rowCount() - 1, kColumnEvent));
}

bool CEventsListModel::MoveUp(size_t position) {
    if (!rows_.MoveUp(position)) return false;
    RowChanged(position - 1);
    RowChanged(position);
    return true;
}

bool CEventsListModel::MoveDown(size_t position) {
    if (!rows_.MoveDown(position)) return false;
    RowChanged(position);
    RowChanged(position + 1);
    return true;
}

void CEventsListModel::SetScript(size_t position, std::u16string script) {
    rows_.SetScript(position, std::move(script));
    RowChanged(position);
}

void CEventsListModel::ToggleDisabled(size_t position) {
    rows_.ToggleDisabled(position);
    RowChanged(position);
}

void CEventsListModel::ClearErrorMark(size_t position) {
    if (!rows_[position].errorMark) return;
    rows_.ClearErrorMark(position);
    RowChanged(position);
}

void CEventsListModel::Apply(const AddStep& step) {
    if (step.kind == AddStep::Append) Append(step.row);
    if (step.kind == AddStep::Replace) Replace(step.position, step.row);
}

// The row's colours follow its script and flags, so every cell is repainted.
void CEventsListModel::RowChanged(size_t position) {
    const int at = static_cast<int>(position);
    emit dataChanged(index(at, 0), index(at, kColumnCount - 1));
}

}  // namespace orva
