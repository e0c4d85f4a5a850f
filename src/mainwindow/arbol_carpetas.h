#pragma once

#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTreeView>
#include <functional>

// The folder tree, which tells the folders the user picks from the moves its model makes by
// itself: QFileSystemModel drops and adds rows from a thread of its own, and the tree then moves
// its current row to a neighbour. Only a change made while the user's own mouse or key event is
// handled reaches alElegir, and so does a press on the current row (the model may have moved the
// highlight there, off the folder shown).
class ArbolCarpetas : public QTreeView {
  public:
    using QTreeView::QTreeView;
    std::function<void(const QModelIndex&)> alElegir;

  protected:
    void mousePressEvent(QMouseEvent* e) override {
        const QModelIndex antes = currentIndex();
        DelUsuario([&] { QTreeView::mousePressEvent(e); });
        if (antes.isValid() && currentIndex() == antes &&
            indexAt(e->position().toPoint()) == antes && alElegir)
            alElegir(antes);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        DelUsuario([&] { QTreeView::mouseReleaseEvent(e); });
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        DelUsuario([&] { QTreeView::mouseMoveEvent(e); });
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        DelUsuario([&] { QTreeView::mouseDoubleClickEvent(e); });
    }
    void keyPressEvent(QKeyEvent* e) override {
        DelUsuario([&] { QTreeView::keyPressEvent(e); });
    }
    void currentChanged(const QModelIndex& actual, const QModelIndex& anterior) override {
        QTreeView::currentChanged(actual, anterior);
        if (delUsuario_ && alElegir) alElegir(actual);
    }

  private:
    template <class F> void DelUsuario(F&& manejar) {
        const QScopedValueRollback<bool> usuario(delUsuario_, true);
        manejar();
    }
    bool delUsuario_ = false;
};
