#pragma once

#include <QFontMetrics>
#include <QString>

// A job's state shortened to the status line's width without losing what it says: the names in
// «» (files first, as the longest) are shortened in their middle, the words, the queue's job
// number and the state stay whole. Only a text still too wide without its names is shortened as
// a whole.
QString AcortaEstado(const QString& texto, const QFontMetrics& letra, int ancho);
