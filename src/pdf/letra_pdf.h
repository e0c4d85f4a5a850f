#pragma once

#include <QByteArray>
#include <QFont>
#include <QFontMetricsF>
#include <QRawFont>
#include <array>
#include <cstdint>
#include <memory>

class FuentePdf;

// A font in one format (family, size, bold, italic) as Qt matches it at the printer resolution
// (1200 dpi, unhinted, no kerning), with the metrics the device lays lines out by and the glyphs
// of the characters seen so far. Sizes are device pixels at that resolution.
class LetraPdf {
  public:
    static constexpr double kResolucion = 1200;

    LetraPdf(const QFont& fuente, bool negrita, bool cursiva);

    // A character as the font draws it on its own: no shaping, fallback font or layout needed.
    struct Glifo {
        enum Clase : uint8_t { SinVer, Directo, Complejo };
        uint32_t indice = 0;
        double avance = 0; // device pixels
        Clase clase = SinVer;
    };
    const Glifo& glifo(char16_t c);

    const QFont& fuente() const { return fuente_; }
    const QRawFont& cara() const { return cara_; }
    // The same face with no style made up: Qt's outlines of a made-up bold or italic come
    // already thickened and slanted, and the device draws those styles itself.
    const QRawFont& caraContornos();
    const QByteArray& claveCara() const { return claveCara_; }
    const QFontMetricsF& metricas() const { return metricas_; }
    double alto() const { return alto_; }
    double ascenso() const { return ascenso_; }
    bool negritaSintetica() const { return negritaSintetica_; }
    bool cursivaSintetica() const { return cursivaSintetica_; }

    // The document's font for this face, remembered for the document numbered `documento`.
    FuentePdf* pdf = nullptr;
    uint64_t documento = 0;

    // A paint device at the printer resolution: fonts and layouts sized for it.
    static const QPaintDevice& lienzo();

  private:
    QFont fuente_;
    QRawFont cara_;
    QRawFont caraContornos_; // made on first use
    QByteArray claveCara_;
    QFontMetricsF metricas_;
    double alto_, ascenso_;
    bool negritaSintetica_, cursivaSintetica_;
    std::array<std::unique_ptr<std::array<Glifo, 256>>, 256> bloques_; // by high byte
};
