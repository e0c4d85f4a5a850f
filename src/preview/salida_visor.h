#pragma once

#include "markup/salida_marcado.h"
#include "shared/familias_fuente.h"
#include <QTextCharFormat>
#include <QTextCursor>

// The preview's rich-text box as the markup's output: text inserted at the caret in the current
// insertion format, each file line a paragraph of its own. No pages: a form feed shows as a
// rule across the box. Font names are matched as the printer matches them (FamiliasFuente), so
// that thousands of names no font has cost the box one font, not thousands.
class SalidaVisor : public SalidaMarcado {
  public:
    SalidaVisor(QTextCursor& cursor, const QTextCharFormat& formato);

    void ponFuente(const QString& nombre) override;
    double tamano() const override { return formato_.fontPointSize(); }
    void ponTamano(double puntos) override { formato_.setFontPointSize(puntos); }
    void ponNegrita(bool v) override { formato_.setFontWeight(v ? QFont::Bold : QFont::Normal); }
    void ponCursiva(bool v) override { formato_.setFontItalic(v); }
    void ponSubrayado(bool v) override { formato_.setFontUnderline(v); }

    void empiezaLinea(QString& linea) override;
    void texto(const QString& texto) override {
        if (texto.isEmpty()) return;
        cursor_.insertText(texto, formato_);
        trasSalto_ = false;
    }
    void finLinea(int) override {}
    void salto(Salto causa) override;

  private:
    QTextCursor& cursor_;
    QTextCharFormat formato_;
    FamiliasFuente familias_;
    bool primera_ = true;
    bool trasSalto_ = false; // the paragraph for what follows a page mark is already there
};
