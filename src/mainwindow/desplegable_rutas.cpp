#include "mainwindow/desplegable_rutas.h"

#include <QStylePainter>

DesplegableRutas::DesplegableRutas(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
}

// As QComboBox paints itself, with the text shortened at its start.
void DesplegableRutas::paintEvent(QPaintEvent*) {
    QStylePainter pintor(this);
    QStyleOptionComboBox opcion;
    initStyleOption(&opcion);
    pintor.drawComplexControl(QStyle::CC_ComboBox, opcion);
    const QRect texto =
        style()->subControlRect(QStyle::CC_ComboBox, &opcion, QStyle::SC_ComboBoxEditField, this);
    opcion.currentText =
        fontMetrics().elidedText(opcion.currentText, Qt::ElideLeft, texto.width() - 2);
    pintor.drawControl(QStyle::CE_ComboBoxLabel, opcion);
}
