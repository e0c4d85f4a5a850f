#include "shared/idioma.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <clocale>

namespace {
const char* const kEspanol = "es_ES.UTF-8";

// The character type in force for the user (the first of LC_ALL, LC_CTYPE, LANG that is set).
QByteArray TipoCaracteres() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QByteArray valor = qgetenv(variable);
        if (!valor.isEmpty()) return valor;
    }
    return "C.UTF-8";
}

QByteArray& TipoCaracteresUsuario() {
    static QByteArray tipo;
    return tipo;
}
} // namespace

void PreparaIdiomaEspanol() {
    TipoCaracteresUsuario() = TipoCaracteres();
    qputenv("LC_CTYPE", TipoCaracteresUsuario());
    qunsetenv("LC_ALL");
    for (const char* variable : {"LANG", "LC_MESSAGES", "LC_TIME", "LC_NUMERIC", "LC_MONETARY",
                                 "LC_MEASUREMENT", "LC_PAPER"})
        qputenv(variable, kEspanol);
    qputenv("LANGUAGE", "es");
}

void InstalaIdiomaEspanol(QCoreApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    if (!TipoCaracteresUsuario().isEmpty()) {
        std::setlocale(LC_ALL, "");
        if (!std::setlocale(LC_CTYPE, TipoCaracteresUsuario().constData()))
            std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    auto* textosQt = new QTranslator(&app);
    if (textosQt->load(QLocale(QLocale::Spanish), "qtbase", "_",
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(textosQt);
}
