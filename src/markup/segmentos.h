#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The long tags of the PRT markup.
enum class Etiqueta {
    Ninguna, // a segment with no tag after it (the end of the line)
    Courier,
    Pica,
    Elite,
    Comprimida,
    AmpliadaOn,
    AmpliadaOff,
    NegritaOn,
    NegritaOff,
    ItalicaOn,
    ItalicaOff,
    SubrayadoOn,
    SubrayadoOff,
    Pagina,
    Fuente,      // "{{Fuente}}", and every font tag "{{*name}}" after its name is remembered
    Desconocida, // any other name, the empty one included: dropped
    // Printer codes with no markup of their own (see traductor_escp.h): their names start with
    // the control character U+0001, which no file can spell.
    Reinicio, // back to the job's initial format
    Lineas,   // the page length from here on, in lines (Segmento::valor)
};

// Tag for a name, matched exactly (case-sensitive, untrimmed). Font tags are not names here.
Etiqueta etiquetaDeNombre(QStringView nombre);

struct Segmento {
    QStringView texto; // text before the tag, a view into the line being split
    Etiqueta etiqueta = Etiqueta::Ninguna;
    // For a font tag "{{*name}}": the name with blanks trimmed at both ends (may be empty).
    std::optional<QString> fuente;
    int valor = 0; // the number a tag carries (Lineas)
};

// Splits one expanded line into (text, tag) segments. After "{{Pagina}}" the rest of the line is
// dropped and no more segments come. A line with "{{" but no "}}" after it, or whose first "}}"
// stands before its first "{{", is malformed: siguiente() then throws ErrorVelmor saying what is
// wrong; the reader locates it in its file and line.
class Segmentos {
  public:
    explicit Segmentos(const QString& linea);
    // The line is only referred to: it must outlive the splitting.
    explicit Segmentos(QString&& linea) = delete;

    std::optional<Segmento> siguiente();

  private:
    const QString& linea_;
    qsizetype pos_ = 0;
    bool terminada_ = false;
};
