#include "markup/segmentos.h"
#include "shared/error.h"

#include <QTest>

Q_DECLARE_METATYPE(Etiqueta)

namespace {
// "texto|Etiqueta" per segment; a font tag shows as "texto|*name".
QStringList divide(const QString& linea) {
    QStringList partes;
    Segmentos segmentos(linea);
    while (auto s = segmentos.siguiente()) {
        const QString tag = s->fuente                              ? "*" + *s->fuente
                            : s->etiqueta == Etiqueta::Ninguna     ? QString()
                            : s->etiqueta == Etiqueta::Desconocida ? QString("?")
                                                                   : nombreDeEtiqueta(s->etiqueta);
        partes << s->texto.toString() + "|" + tag;
    }
    return partes;
}
} // namespace

class TestSegmentos : public QObject {
    Q_OBJECT
  private slots:
    void divide_data() {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<QStringList>("esperado");
        QTest::newRow("ejemplo") << "Total: {{NegritaOn}}125{{NegritaOff}} EUR"
                                 << QStringList{"Total: |NegritaOn", "125|NegritaOff", " EUR|"};
        QTest::newRow("solo etiquetas") << "{{NegritaOn}}TITULO{{NegritaOff}}"
                                        << QStringList{"|NegritaOn", "TITULO|NegritaOff"};
        QTest::newRow("vacía") << "" << QStringList{};
        QTest::newRow("sin etiquetas") << "texto" << QStringList{"texto|"};
        QTest::newRow("etiqueta vacía") << "a{{}}b" << QStringList{"a|?", "b|"};
        QTest::newRow("desconocida") << "{{pica}}x{{ Pica}}" << QStringList{"|?", "x|?"};
        QTest::newRow("tercera llave") << "a{{{Pica}}b" << QStringList{"a|?", "b|"};
        QTest::newRow("fuente") << "{{*  Courier New }}x" << QStringList{"|*Courier New", "x|"};
        QTest::newRow("fuente vacía") << "{{*}}" << QStringList{"|*"};
        QTest::newRow("Fuente") << "{{Fuente}}" << QStringList{"|Fuente"};
        QTest::newRow("Pagina corta la línea")
            << "abc{{Pagina}}def{{Pica}}" << QStringList{"abc|Pagina"};
        QTest::newRow("todas") << "{{Courier}}{{Pica}}{{Elite}}{{Comprimida}}{{AmpliadaOn}}"
                                  "{{AmpliadaOff}}{{ItalicaOn}}{{ItalicaOff}}{{SubrayadoOn}}"
                                  "{{SubrayadoOff}}"
                               << QStringList{"|Courier",     "|Pica",       "|Elite",
                                              "|Comprimida",  "|AmpliadaOn", "|AmpliadaOff",
                                              "|ItalicaOn",   "|ItalicaOff", "|SubrayadoOn",
                                              "|SubrayadoOff"};
        QTest::newRow("llave suelta de cierre tras etiqueta")
            << "{{Pica}}a}}b" << QStringList{"|Pica", "a}}b|"};
    }
    void divide() {
        QFETCH(QString, linea);
        QFETCH(QStringList, esperado);
        QCOMPARE(::divide(linea), esperado);
    }

    void malformada_data() {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<int>("segmentosAntes");
        QTest::newRow("sin cierre") << "x{{NegritaOn}" << 0;
        QTest::newRow("cierre antes") << "a}}b{{Pica}}c" << 0;
        QTest::newRow("tras una buena") << "{{Pica}}a{{b" << 1;
        QTest::newRow("cierre solo antes") << "{{Pica}}}}x{{y" << 1;
    }
    void malformada() {
        QFETCH(QString, linea);
        QFETCH(int, segmentosAntes);
        Segmentos segmentos(linea);
        int buenos = 0;
        try {
            while (segmentos.siguiente())
                ++buenos;
            QFAIL("a malformed line must throw");
        } catch (const ErrorVelmor& e) {
            QCOMPARE(e.numero(), int(ErrorVelmor::ArgumentoNoValido));
            QVERIFY2(e.descripcion().startsWith("Etiqueta mal formada"),
                     qPrintable(e.descripcion()));
        }
        QCOMPARE(buenos, segmentosAntes);
    }

    void marcaMasAllaDe32765() {
        const QString relleno(40000, 'x');
        QCOMPARE(::divide(relleno + "{{Pica}}y"), (QStringList{relleno + "|Pica", "y|"}));
    }
};

QTEST_APPLESS_MAIN(TestSegmentos)
#include "test_segmentos.moc"
