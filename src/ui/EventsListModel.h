// The events list's private copy of the events as a table model of six columns.
#pragma once

#include <QAbstractTableModel>

#include "core/EventNames.h"
#include "ui/text/EventClipboard.h"
#include "ui/text/EventRows.h"

namespace orva {

class CEventsListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    CEventsListModel(CEventRows rows, const CEventTypeNames& typeNames, QObject* parent = nullptr);

    const CEventRows& Rows() const { return rows_; }
    const CEventTypeNames& TypeNames() const { return typeNames_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The same operations as the rows', each telling the view what changed.
    bool Append(EventRow row);
    void Replace(size_t position, EventRow row);
    void Remove(size_t position);
    bool MoveUp(size_t position);
    bool MoveDown(size_t position);
    void SetScript(size_t position, std::u16string script);
    void ToggleDisabled(size_t position);
    void ClearErrorMark(size_t position);
    void Apply(const AddStep& step);

private:
    void RowChanged(size_t position);

    CEventRows rows_;
    const CEventTypeNames typeNames_;
};

}  // namespace orva
