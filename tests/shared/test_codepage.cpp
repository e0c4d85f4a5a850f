#include "shared/codepage.h"
#include "shared/error.h"

#include <QTest>

// Text as it comes from a file: one character per byte, Windows-1252.
static QString deBytes(QByteArrayView bytes) {
    return PaginasCodigo::actuales().decodifica(bytes);
}

class TestCodepage : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { qunsetenv("VELMOR_CP_DOS"); }

    void aWindows_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("direccion");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("ñ en 850") << QByteArray("a\xA4o") << "Win" << QString("año");
        QTest::newRow("minúsculas") << QByteArray("\xA4") << "win" << QString("ñ");
        QTest::newRow("mayúsculas") << QByteArray("\xA5") << "WIN" << QString("Ñ");
        QTest::newRow("caja") << QByteArray("\xDA\xC4\xBF\xB3\xC0\xD9") << "Win"
                              << QString::fromUtf8("┌─┐│└┘");
        QTest::newRow("acentos") << QByteArray("\xA0\x82\xA1\xA2\xA3") << "Win" << QString("áéíóú");
        QTest::newRow("ascii intacto") << QByteArray("Total: 125,00 EUR [N]{{Pica}}") << "Win"
                                       << QString("Total: 125,00 EUR [N]{{Pica}}");
        QTest::newRow("vacío") << QByteArray() << "Win" << QString();
        QTest::newRow("espacio delante") << QByteArray("\xA4") << " WIN" << QString("¤");
        QTest::newRow("Windows") << QByteArray("\xA4") << "Windows" << QString("¤");
        QTest::newRow("OEM") << QByteArray("\xA4") << "OEM" << QString("¤");
        QTest::newRow("palabra vacía") << QByteArray("\xA4") << "" << QString("¤");
        QTest::newRow("byte indefinido 0x81") << QByteArray("\x81") << "Win" << QString("ü");
    }
    void aWindows() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, direccion);
        QFETCH(QString, esperado);
        const QString texto = deBytes(bytes);
        const QString resultado = ConvierteTexto(texto, direccion);
        QCOMPARE(resultado, esperado);
        QCOMPARE(resultado.size(), texto.size());
    }

    void aDos_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("direccion");
        QTest::addColumn<QByteArray>("bytesDos");
        QTest::newRow("ñ") << QString("año") << "DOS" << QByteArray("a\xA4o");
        QTest::newRow("dos") << QString("Ñ") << "dos" << QByteArray("\xA5");
        QTest::newRow("Dos caja") << QString::fromUtf8("┌─┐") << "Dos"
                                  << QByteArray("\xDA\xC4\xBF");
        QTest::newRow("sin byte DOS") << QString::fromUtf8("€ok") << "DOS" << QByteArray("?ok");
        QTest::newRow("ascii") << QString("abc 123 !?") << "DOS" << QByteArray("abc 123 !?");
    }
    void aDos() {
        QFETCH(QString, texto);
        QFETCH(QString, direccion);
        QFETCH(QByteArray, bytesDos);
        const QString resultado = ConvierteTexto(texto, direccion);
        QCOMPARE(resultado.size(), texto.size());
        // The result shows each DOS byte as its Windows-1252 character.
        QCOMPARE(PaginasCodigo::actuales().codifica(resultado), bytesDos);
    }

    // Every byte of a file survives Win then DOS: the DOS page's repertoire is kept whole.
    void idaYVuelta() {
        QByteArray todos;
        for (int b = 0; b < 256; ++b)
            todos.append(char(b));
        const QString leido = deBytes(todos);
        QCOMPARE(PaginasCodigo::actuales().codifica(leido), todos);
        QCOMPARE(ConvierteTexto(ConvierteTexto(leido, "Win"), "DOS"), leido);
    }

    void paginaConfigurable_data() {
        QTest::addColumn<QString>("pagina");
        QTest::addColumn<QString>("esperado"); // DOS byte 0xD5 in that page
        QTest::newRow("437") << "437" << QString::fromUtf8("╒");
        QTest::newRow("850") << "850" << QString::fromUtf8("ı");
        QTest::newRow("858") << "858" << QString::fromUtf8("€");
        QTest::newRow("nombre iconv") << "IBM437" << QString::fromUtf8("╒");
    }
    void paginaConfigurable() {
        QFETCH(QString, pagina);
        QFETCH(QString, esperado);
        const PaginasCodigo paginas(pagina);
        QCOMPARE(paginas.aWindows(paginas.decodifica("\xD5")), esperado);
    }

    void paginaDesconocida_data() {
        QTest::addColumn<QString>("pagina");
        QTest::newRow("inventada") << "99999";
        QTest::newRow("texto") << "klingon";
        QTest::newRow("multibyte") << "UTF-8";
        QTest::newRow("vacía") << " ";
    }
    void paginaDesconocida() {
        QFETCH(QString, pagina);
        try {
            PaginasCodigo paginas(pagina);
            QFAIL("an unknown code page must be reported");
        } catch (const ErrorVelmor& e) {
            QCOMPARE(e.numero(), int(ErrorVelmor::PaginaCodigosDesconocida));
            QVERIFY(e.descripcion().contains(pagina));
            QVERIFY(e.descripcion().contains("VELMOR_CP_DOS"));
        }
    }

    void variableEntorno() {
        qputenv("VELMOR_CP_DOS", "437");
        QCOMPARE(PaginasCodigo::paginaDosConfigurada(), QString("437"));
        qunsetenv("VELMOR_CP_DOS");
        QCOMPARE(PaginasCodigo::paginaDosConfigurada(), QString("850"));
        // Set but empty is refused like any other unknown page, not taken for the default.
        qputenv("VELMOR_CP_DOS", "");
        const QString vacia = PaginasCodigo::paginaDosConfigurada();
        qunsetenv("VELMOR_CP_DOS");
        QCOMPARE(vacia, QString());
        QVERIFY_THROWS_EXCEPTION(ErrorVelmor, PaginasCodigo{vacia});
    }
};

QTEST_APPLESS_MAIN(TestCodepage)
#include "test_codepage.moc"
