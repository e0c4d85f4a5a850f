#include "markup/sustituye_prt.h"

#include <vector>

// The classic expansion replaces the first complete span and then searches again from the start
// of the line. Text before a replaced span holds no "[" and no expansion adds one, except a font
// span: "{{*" + name + "}}" keeps whatever "[" the name had, so the next span may begin inside
// that name and end at the next "]" of the line. Those tails are kept in a queue (`pendiente`)
// whose characters are each taken out once, so the whole expansion is linear in the line length.

namespace {

QLatin1StringView tagsDeCodigo(QChar codigo) {
    switch (codigo.unicode()) {
    case 'A':
        return QLatin1StringView("{{AmpliadaOn}}");
    case 'a':
        return QLatin1StringView("{{AmpliadaOff}}");
    case 'P':
        return QLatin1StringView("{{Pica}}");
    case 'E':
        return QLatin1StringView("{{Elite}}");
    case 'C':
        return QLatin1StringView("{{Comprimida}}");
    case 'N':
        return QLatin1StringView("{{NegritaOn}}");
    case 'n':
        return QLatin1StringView("{{NegritaOff}}");
    case 'I':
        return QLatin1StringView("{{ItalicaOn}}");
    case 'i':
        return QLatin1StringView("{{ItalicaOff}}");
    case 'S':
        return QLatin1StringView("{{SubrayadoOn}}");
    case 's':
        return QLatin1StringView("{{SubrayadoOff}}");
    case '1':
        return QLatin1StringView("{{Pica}}{{NegritaOn}}");
    case 'Z':
        return QLatin1StringView("{{Pica}}{{NegritaOff}}");
    case 'F':
        return QLatin1StringView("{{Pagina}}");
    case 'L':
        return QLatin1StringView("{{Courier}}");
    default:
        return {};
    }
}

// The unexpanded start of the work string: begins with "[" when not empty, holds no "]".
class Pendiente {
  public:
    bool vacia() const { return cabeza_ == chars_.size(); }
    void anade(QStringView texto) {
        for (QChar c : texto)
            anade(c);
    }
    void anade(QChar c) {
        if (c == u'*') ++asteriscos_;
        chars_.push_back(c);
    }
    // Takes the span held in the queue (which ends with "]") and writes its replacement.
    void expandeSpan(QString& salida) {
        if (asteriscos_ == 0) {
            for (size_t i = cabeza_; i < chars_.size(); ++i)
                salida += tagsDeCodigo(chars_[i]);
            limpia();
            return;
        }
        // A font span: "{{*" + the span less its first two characters and its "]" + "}}".
        chars_.pop_back();
        saca();
        saca();
        salida += QLatin1StringView("{{*");
        while (!vacia() && chars_[cabeza_] != u'[')
            salida += saca();
        if (vacia()) {
            salida += QLatin1StringView("}}");
            limpia();
        } else {
            anade(u'}');
            anade(u'}');
        }
    }
    void vuelca(QString& salida) {
        for (size_t i = cabeza_; i < chars_.size(); ++i)
            salida += chars_[i];
        limpia();
    }

  private:
    QChar saca() {
        const QChar c = chars_[cabeza_];
        if (c == u'*') --asteriscos_;
        ++cabeza_;
        return c;
    }
    void limpia() {
        chars_.clear();
        cabeza_ = 0;
        asteriscos_ = 0;
    }

    std::vector<QChar> chars_;
    size_t cabeza_ = 0;
    size_t asteriscos_ = 0;
};

} // namespace

QString SustituyePrt(const QString& linea) {
    if (!linea.contains(u'[')) return linea;
    QString salida;
    salida.reserve(linea.size() * 2);
    Pendiente pendiente;
    qsizetype i = 0;
    while (true) {
        if (pendiente.vacia()) {
            const qsizetype a = linea.indexOf(u'[', i);
            if (a < 0) break;
            salida += QStringView(linea).mid(i, a - i);
            i = a;
        }
        const qsizetype b = linea.indexOf(u']', i);
        if (b < 0) break; // no complete span left: the rest stays as text
        pendiente.anade(QStringView(linea).mid(i, b - i + 1));
        i = b + 1;
        pendiente.expandeSpan(salida);
    }
    pendiente.vuelca(salida);
    salida += QStringView(linea).mid(i);
    return salida;
}
