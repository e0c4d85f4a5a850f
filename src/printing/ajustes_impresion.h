#pragma once

#include "shared/papel.h"
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <optional>

// Paper sizes offered. SegunImpresora: the printer's own paper (A4 for "Archivo PDF").
// Continuo: fan-fold continuous form 240 mm wide and 12 inches long.
enum class ClasePapel { SegunImpresora, A4, Carta, Legal, Continuo, Personalizado };

// How a job prints, as the user set it: the window's "Configuración" keeps it between runs, and
// velmor-imprimir takes each item as an option of the same name (--cp, --papel, --margenes,
// --lineas, --agujas), in the same written form as the settings file holds it.
struct AjustesImpresion {
    QString paginaCodigo = QStringLiteral("850"); // DOS code page; VELMOR_CP_DOS overrides it
    ClasePapel papel = ClasePapel::SegunImpresora;
    QSizeF medidaMm;                           // with Personalizado: width by height
    QMarginsF margenesMm = MargenesPrograma(); // left, top, right, bottom
    int lineas = 66;                           // lines per page
    int agujas = 24; // the Epson printer the codes were written for: 24-pin (ESC/P2) or 9-pin

    bool operator==(const AjustesImpresion&) const = default;

    // 1/6 inch all round, like a laser printer's unprintable border.
    static QMarginsF MargenesPrograma();

    // The page for a printer whose own page is `propia` (its paper and orientation): the paper
    // asked for, in that orientation, with these margins. Nothing when the margins leave no room.
    std::optional<Papel> Disposicion(const Papel& propia) const;

    // Written forms: "impresora", "a4", "carta", "legal", "continuo" or "ANCHOxALTO" in mm;
    // margins "M" (all four) or "IZQUIERDA,ARRIBA,DERECHA,ABAJO" in mm.
    QString TextoPapel() const;
    QString TextoMargenes() const;
    // Each reads its written form into these settings, or gives the Spanish reason it cannot.
    std::optional<QString> LeePapel(const QString& texto);
    std::optional<QString> LeeMargenes(const QString& texto);
    std::optional<QString> LeeLineas(const QString& texto);
    std::optional<QString> LeeAgujas(const QString& texto);
};

// What each paper is called to the user, in the order ClasePapel lists them.
QStringList NombresPapel();
// The measure in mm, portrait, of a paper of a fixed size; nothing for the printer's own paper
// and for one of the user's.
std::optional<QSizeF> MedidaPapelMm(ClasePapel papel);
