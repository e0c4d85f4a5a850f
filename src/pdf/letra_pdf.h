#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class CaraFuente;
class FuentePdf;

// A font in one format (face, size, bold, italic) at the printer resolution (1200 dpi, unhinted,
// no kerning), with the metrics the device lays lines out by and the glyphs of the characters
// seen so far. Sizes are device pixels at that resolution, as Qt's font engine gives them for the
// same face, so columns and line heights stay where the window puts them.
class LetraPdf {
  public:
    static constexpr double kResolucion = 1200;
    // The face for a character the format's face lacks; null when no font has it.
    using Respaldo = std::function<std::shared_ptr<CaraFuente>(char32_t)>;

    // `cara` may be null (no font at all): nothing is drawn, lines keep a height.
    LetraPdf(std::shared_ptr<CaraFuente> cara, double puntos, bool negrita, bool cursiva,
             Respaldo respaldo = {});
    ~LetraPdf();

    // A character as the font draws it on its own: no shaping, fallback font or layout needed.
    struct Glifo {
        enum Clase : uint8_t { SinVer, Directo, Complejo };
        uint32_t indice = 0;
        double avance = 0; // device pixels
        Clase clase = SinVer;
    };
    const Glifo& glifo(char16_t c) {
        if (const auto& bloque = bloques_[c >> 8]) {
            const Glifo& g = (*bloque)[c & 0xff];
            if (g.clase != Glifo::SinVer) return g;
        }
        return primeraVez(c);
    }

    CaraFuente* cara() const { return cara_.get(); }
    const std::shared_ptr<CaraFuente>& caraCompartida() const { return cara_; }
    // The face that draws the character: this format's, else a fallback; null when none.
    std::shared_ptr<CaraFuente> caraPara(char32_t c);
    double pixeles() const { return pixeles_; }
    double alto() const { return ascenso_ + descenso_; }
    double ascenso() const { return ascenso_; }
    double grosorLinea() const { return grosor_; }
    double posicionSubrayado() const { return subrayado_; }
    bool negrita() const { return negrita_; }
    bool cursiva() const { return cursiva_; }
    bool negritaSintetica() const { return negritaSintetica_; }
    bool cursivaSintetica() const { return cursivaSintetica_; }

    // The document's font for this face, remembered for the document numbered `documento`.
    FuentePdf* pdf = nullptr;
    uint64_t documento = 0;

  private:
    const Glifo& primeraVez(char16_t c);
    std::shared_ptr<CaraFuente> cara_;
    Respaldo respaldo_;
    double pixeles_;
    double ascenso_ = 0, descenso_ = 0, grosor_ = 0, subrayado_ = 0;
    bool negrita_, cursiva_;
    bool negritaSintetica_ = false, cursivaSintetica_ = false;
    std::array<std::unique_ptr<std::array<Glifo, 256>>, 256> bloques_; // by high byte
};
