#include "markup/sustituye_prt.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// The classic expansion, transcribed step by step (positions from 1, restart from the start),
// to check the one-pass version against.
QString sustituyeClasico(QString trabajo) {
    static const QHash<QChar, QString> codigos{{'A', "{{AmpliadaOn}}"},
                                               {'a', "{{AmpliadaOff}}"},
                                               {'P', "{{Pica}}"},
                                               {'E', "{{Elite}}"},
                                               {'C', "{{Comprimida}}"},
                                               {'N', "{{NegritaOn}}"},
                                               {'n', "{{NegritaOff}}"},
                                               {'I', "{{ItalicaOn}}"},
                                               {'i', "{{ItalicaOff}}"},
                                               {'S', "{{SubrayadoOn}}"},
                                               {'s', "{{SubrayadoOff}}"},
                                               {'1', "{{Pica}}{{NegritaOn}}"},
                                               {'Z', "{{Pica}}{{NegritaOff}}"},
                                               {'F', "{{Pagina}}"},
                                               {'L', "{{Courier}}"}};
    while (true) {
        const int a = int(trabajo.indexOf('[')) + 1;
        if (a == 0) return trabajo;
        const int b = int(trabajo.indexOf(']', a - 1)) + 1;
        if (b == 0) return trabajo;
        QString reemplazo;
        for (int k = a; k <= b; ++k) {
            const QChar c = trabajo[k - 1];
            if (c == '*') {
                reemplazo = "{{*" + trabajo.mid(a + 2 - 1, b - a - 2) + "}}";
                break;
            }
            reemplazo += codigos.value(c);
        }
        trabajo = trabajo.left(a - 1) + reemplazo + trabajo.mid(b);
    }
}

} // namespace

class TestSustituyePrt : public QObject {
    Q_OBJECT
  private slots:
    void expande_data() {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("sin códigos") << "Sin codigos"
                                     << "Sin codigos";
        QTest::newRow("sin cierre") << "abc [def"
                                    << "abc [def";
        QTest::newRow("vacío") << "[]"
                               << "";
        QTest::newRow("vacío entre texto") << "x[]y"
                                           << "xy";
        QTest::newRow("negrita") << "[N]Hola[n]"
                                 << "{{NegritaOn}}Hola{{NegritaOff}}";
        QTest::newRow("PN") << "[PN]"
                            << "{{Pica}}{{NegritaOn}}";
        QTest::newRow("1") << "[1]"
                           << "{{Pica}}{{NegritaOn}}";
        QTest::newRow("mezcla") << "[aNs]"
                                << "{{AmpliadaOff}}{{NegritaOn}}{{SubrayadoOff}}";
        QTest::newRow("F") << "[F]"
                           << "{{Pagina}}";
        QTest::newRow("ignorados") << "[N x]"
                                   << "{{NegritaOn}}";
        QTest::newRow("fuente vacía") << "[*]"
                                      << "{{*}}";
        QTest::newRow("cierre antes") << "]a[N]"
                                      << "]a{{NegritaOn}}";
        QTest::newRow("corchete dentro") << "[N[I]"
                                         << "{{NegritaOn}}{{ItalicaOn}}";
        QTest::newRow("dos spans") << "[N]a[I]b"
                                   << "{{NegritaOn}}a{{ItalicaOn}}b";
        QTest::newRow("NZ") << "[NZ]"
                            << "{{NegritaOn}}{{Pica}}{{NegritaOff}}";
        QTest::newRow("Arial") << "[*Arial]"
                               << "{{*Arial}}";
        QTest::newRow("Courier New") << "[*Courier New]"
                                     << "{{*Courier New}}";
        QTest::newRow("asterisco segundo") << "[N*Arial]"
                                           << "{{**Arial}}";
        QTest::newRow("todos") << "[AaPECNnIiSs1ZFL]"
                               << "{{AmpliadaOn}}{{AmpliadaOff}}{{Pica}}{{Elite}}{{Comprimida}}"
                                  "{{NegritaOn}}{{NegritaOff}}{{ItalicaOn}}{{ItalicaOff}}"
                                  "{{SubrayadoOn}}{{SubrayadoOff}}{{Pica}}{{NegritaOn}}"
                                  "{{Pica}}{{NegritaOff}}{{Pagina}}{{Courier}}";
        QTest::newRow("minúsculas sin código") << "[pecflz]"
                                               << "";
        QTest::newRow("palabra sin códigos") << "x[Hoy]y"
                                             << "xy";
        QTest::newRow("palabra con código") << "[Hola]"
                                            << "{{AmpliadaOff}}";
        QTest::newRow("span tras sin cierre") << "[N]x[y"
                                              << "{{NegritaOn}}x[y";
        // A font name holding "[" opens the next span inside the tag just made.
        QTest::newRow("fuente con corchete") << "[*A[B]C]"
                                             << "{{*A{{Comprimida}}";
        QTest::newRow("fuente con corchete, luego N") << "[*x[N]y]z"
                                                      << "{{*x{{NegritaOn}}z";
        QTest::newRow("fuente anidada") << "[*[*ab]cd]"
                                        << "{{*{{*ab}}cd}}";
    }
    void expande() {
        QFETCH(QString, linea);
        QFETCH(QString, esperado);
        QCOMPARE(SustituyePrt(linea), esperado);
        QCOMPARE(sustituyeClasico(linea), esperado);
    }

    void noCambiaLaEntrada() {
        const QString linea = "[N]x";
        const QString copia = linea;
        SustituyePrt(linea);
        QCOMPARE(linea, copia);
    }

    // The one-pass expansion must give exactly what restarting after every span gives.
    void igualQueElClasico() {
        const QString alfabeto = "[[]]**NnPa1Z x{}";
        QRandomGenerator azar(20261206);
        for (int n = 0; n < 40000; ++n) {
            QString linea;
            const int largo = int(azar.bounded(30));
            for (int k = 0; k < largo; ++k)
                linea += alfabeto[int(azar.bounded(alfabeto.size()))];
            const QString esperado = sustituyeClasico(linea);
            const QString obtenido = SustituyePrt(linea);
            if (obtenido != esperado)
                QFAIL(qPrintable(
                    QString("«%1»: «%2» instead of «%3»").arg(linea, obtenido, esperado)));
        }
    }

    // Markup far beyond 32,765 characters is ordinary markup.
    void lineaLarga() {
        const QString relleno(40000, ' ');
        QCOMPARE(SustituyePrt(relleno + "[N]x"), relleno + "{{NegritaOn}}x");
    }
};

QTEST_APPLESS_MAIN(TestSustituyePrt)
#include "test_sustituye_prt.moc"
