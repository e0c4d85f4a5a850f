#pragma once

#include <QComboBox>

// A drop-down list of paths that never widens its window: a path longer than the box shows its
// end, where the folder's own name is ("…/Varenta/Listados"), and the tooltip shows it whole.
class DesplegableRutas : public QComboBox {
  public:
    explicit DesplegableRutas(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};
