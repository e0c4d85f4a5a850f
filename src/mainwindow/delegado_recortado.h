#pragma once

#include <QStyledItemDelegate>

// A list's items as wide as the list and no wider: a longer text is shortened as the list's elide
// mode says, instead of widening the list's contents.
class DelegadoRecortado : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& opcion, const QModelIndex& indice) const override {
        return {0, QStyledItemDelegate::sizeHint(opcion, indice).height()};
    }
};
