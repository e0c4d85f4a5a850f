// The program as a desktop keeps it: its licence and package data, settings that last, the
// printer dialog's keys, the Spanish locale, the status line and the window's drops.
#include "printerselect/impresora.h"
#include "shared/idioma.h"
#include "support/fake_printer.h"
#include "support/programas.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTest>
#include <clocale>

class TestAjustes : public QObject {
    Q_OBJECT
  private slots:
    void licencia_data();
    void licencia();
    void paginasManualSinGuiones_data();
    void paginasManualSinGuiones();
    void teclasDialogoImpresora_data();
    void teclasDialogoImpresora();
    void espanol_data();
    void espanol();
};

namespace {
QString Fuente(const QString& ruta) {
    return QStringLiteral(VELMOR_SOURCE_DIR "/") + ruta;
}
QString Lee(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

// What the package and the desktop say about the licence and the menu entry.
void TestAjustes::licencia_data() {
    QTest::addColumn<QString>("fichero");
    QTest::addColumn<QString>("contiene");
    QTest::newRow("LICENSE, la GPL 3") << "LICENSE"
                                       << "GNU GENERAL PUBLIC LICENSE\n"
                                          "                       Version 3";
    QTest::newRow("AppStream") << "data/org.velmor.Velmor.metainfo.xml.in"
                               << "<project_license>GPL-3.0-or-later</project_license>";
    QTest::newRow("copyright de Debian")
        << "packaging/copyright"
        << "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/";
    QTest::newRow("copyright, la licencia") << "packaging/copyright"
                                            << "License: GPL-3.0+";
    QTest::newRow("changelog") << "packaging/changelog.in"
                               << "velmor (2.0) unstable;";
}

void TestAjustes::licencia() {
    QFETCH(QString, fichero);
    QFETCH(QString, contiene);
    QVERIFY2(Lee(Fuente(fichero)).contains(contiene), qPrintable(fichero));
}

// Options and paths are copied from a manual page as shown: none may be split by a hyphen, at
// any width of the terminal. The menu entry passes the validator without a hint.
void TestAjustes::paginasManualSinGuiones_data() {
    QTest::addColumn<QString>("pagina");
    QTest::addColumn<QString>("ancho");
    for (const char* pagina : {"velmor.1", "velmor-imprimir.1"})
        for (const char* ancho : {"50", "80"})
            QTest::addRow("%s a %s columnas", pagina, ancho) << pagina << ancho;
}

void TestAjustes::paginasManualSinGuiones() {
    QFETCH(QString, pagina);
    QFETCH(QString, ancho);
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert("MANWIDTH", ancho);
    entorno.insert("LANG", "C.UTF-8");
    const QString texto =
        Ejecuta("man", {"-l", Fuente("data/" + pagina)}, nullptr, nullptr, {}, entorno);
    QVERIFY(texto.contains("--"));
    QVERIFY2(!texto.contains(QChar(0x2010)), qPrintable(texto));

    int estado = -1;
    const QString hints =
        Ejecuta("desktop-file-validate", {Fuente("data/org.velmor.Velmor.desktop")}, &estado);
    QCOMPARE(estado, 0);
    QCOMPARE(hints, QString());
}

// "Selección de Impresora" answers Enter and Esc as any dialog does, wherever the focus is.
void TestAjustes::teclasDialogoImpresora_data() {
    QTest::addColumn<QString>("foco");
    QTest::addColumn<int>("tecla");
    QTest::addColumn<int>("resultado");
    QTest::addColumn<QString>("elegida");
    const int acepta = QDialog::Accepted, cancela = QDialog::Rejected;
    QTest::newRow("Intro en la lista")
        << "ListaImpresoras" << int(Qt::Key_Return) << acepta << "Oficina";
    QTest::newRow("Intro del teclado numérico")
        << "ListaImpresoras" << int(Qt::Key_Enter) << acepta << "Oficina";
    QTest::newRow("Intro en el papel") << "ModoPapel" << int(Qt::Key_Return) << acepta << "Oficina";
    QTest::newRow("Intro en ✓") << "cmdAceptar" << int(Qt::Key_Return) << acepta << "Oficina";
    QTest::newRow("Intro en ✗") << "cmdCancelar" << int(Qt::Key_Return) << cancela << "";
    QTest::newRow("Esc en la lista") << "ListaImpresoras" << int(Qt::Key_Escape) << cancela << "";
    QTest::newRow("Esc en ✓") << "cmdAceptar" << int(Qt::Key_Escape) << cancela << "";
}

void TestAjustes::teclasDialogoImpresora() {
    QFETCH(QString, foco);
    QFETCH(int, tecla);
    QFETCH(int, resultado);
    QFETCH(QString, elegida);
    FakeImpresoras impresoras({"Almacén", "Oficina"}, 1);
    Impresora dialogo(impresoras);
    QSignalSpy terminado(&dialogo, &QDialog::finished);
    dialogo.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialogo));
    auto* control = dialogo.findChild<QWidget*>(foco);
    QVERIFY(control);
    control->setFocus();
    QTest::keyClick(control, Qt::Key(tecla));
    QCOMPARE(terminado.count(), 1);
    QCOMPARE(terminado.first().first().toInt(), resultado);
    QCOMPARE(dialogo.ImpresoraElegida(), elegida);
}

// The test runs under LANG=C.UTF-8 and LC_ALL=C.UTF-8 (its CTest environment), set up as the
// program is: what Qt writes of its own is Spanish all the same.
void TestAjustes::espanol_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("tamaño, en los diálogos de ficheros")
        << QLocale::system().formattedDataSize(5000) << "4,88 KiB";
    QTest::newRow("fecha, en los diálogos de ficheros")
        << QLocale::system().toString(QDate(2026, 12, 7), QLocale::ShortFormat) << "7/12/26";
    QTest::newRow("fecha, la del programa")
        << QLocale().toString(QDate(2026, 12, 7), QLocale::LongFormat)
        << "lunes, 7 de diciembre de 2026";
    QTest::newRow("botón de guardar")
        << QCoreApplication::translate("QFileDialog", "&Save") << "&Guardar";
    QTest::newRow("tipo de caracteres del usuario")
        << QString::fromLatin1(std::setlocale(LC_CTYPE, nullptr)) << "C.UTF-8";
}

void TestAjustes::espanol() {
    QFETCH(QString, texto);
    QFETCH(QString, esperado);
    QCOMPARE(texto, esperado);
}

// Set up as the program's main() does.
int main(int argc, char** argv) {
    PreparaIdiomaEspanol();
    QApplication app(argc, argv);
    InstalaIdiomaEspanol(app);
    TestAjustes prueba;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&prueba, argc, argv);
}
#include "test_ajustes.moc"
