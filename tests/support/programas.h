#pragma once

// Other programs run from the tests: the command-line printer, poppler-utils, qpdf.

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// Runs `programa` to its end and returns its standard output; its exit status and its standard
// error go to `estado` and `errores` when asked. One that has not finished in two minutes ends
// the test program, since nothing after it would mean anything.
inline QString Ejecuta(const QString& programa, const QStringList& argumentos,
                       int* estado = nullptr, QString* errores = nullptr,
                       const QString& carpeta = {}, const QProcessEnvironment& entorno = {}) {
    QProcess p;
    if (!carpeta.isEmpty()) p.setWorkingDirectory(carpeta);
    if (!entorno.isEmpty()) p.setProcessEnvironment(entorno);
    p.start(programa, argumentos);
    if (!p.waitForFinished(120000)) qFatal("%s did not finish", qPrintable(programa));
    if (estado) *estado = p.exitCode();
    if (errores) *errores = QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A PDF's text laid out as on its pages (pdftotext -layout).
inline QString TextoPdf(const QString& pdf) {
    return Ejecuta(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

// A PDF's page count as pdfinfo reads it; -1 when it cannot.
inline int PaginasPdf(const QString& pdf) {
    static const QRegularExpression paginas(QStringLiteral(R"(Pages:\s+(\d+))"));
    const auto m = paginas.match(Ejecuta(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}
