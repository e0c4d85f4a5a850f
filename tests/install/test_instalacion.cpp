// The installation: `cmake --install` of this build into a temporary root, checked as a desktop
// would see it (the freedesktop validators, MIME and desktop databases built from the installed
// files, the manual pages read as man-db reads them), and the Debian package CPack makes of it.
#include "support/ficheros.h"
#include "support/programas.h"

#include <QDirIterator>
#include <QTest>
#include <QXmlStreamReader>

namespace {
const QString Construccion = VELMOR_BINARY_DIR, Fuente = VELMOR_SOURCE_DIR;
const QString Version = VELMOR_PROJECT_VERSION, Id = "org.velmor.Velmor";

QByteArray Lee(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
// The regular files under `raiz`, relative to it, sorted.
QStringList Ficheros(const QString& raiz) {
    QStringList lista;
    for (QDirIterator it(raiz, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        lista << QDir(raiz).relativeFilePath(it.next());
    return lista.sort(), lista;
}
// The text (or an attribute) of every element of that name in an XML file, in order.
QStringList Elementos(const QString& ruta, const QString& nombre, const QString& atributo = {}) {
    QStringList valores;
    QXmlStreamReader xml(Lee(ruta));
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == nombre)
            valores << (atributo.isEmpty() ? xml.readElementText()
                                           : xml.attributes().value(atributo).toString());
    return valores;
}
QStringList Coincidencias(const QString& patron, const QString& texto, int grupo = 0) {
    QStringList l;
    for (auto it = QRegularExpression(patron).globalMatch(texto); it.hasNext();)
        l << it.next().captured(grupo);
    return l;
}
// A program run to its end; fine when it ends with status 0 and not a word on stderr.
struct Resultado {
    int estado = -1;
    QString salida, errores;
    bool bien() const { return estado == 0 && errores.isEmpty(); }
    QByteArray describe() const {
        return QString("estado %1\n%2%3").arg(estado).arg(salida, errores).toUtf8();
    }
};
Resultado Corre(const QStringList& orden, const QProcessEnvironment& entorno = {}) {
    Resultado r;
    r.salida = Ejecuta(orden[0], orden.mid(1), &r.estado, &r.errores, {}, entorno);
    return r;
}
} // namespace

class TestInstalacion : public QObject {
    Q_OBJECT
    QTemporaryDir raiz;  // DESTDIR
    QTemporaryDir datos; // XDG folders holding only what was installed (and the base MIME types)

    QString usr(const QString& ruta) const { return raiz.filePath("usr/" + ruta); }
    QString escritorio() const { return usr("share/applications/" + Id + ".desktop"); }
    QString metainfo() const { return usr("share/metainfo/" + Id + ".metainfo.xml"); }
    QString paqueteMime() const { return usr("share/mime/packages/velmor-prt.xml"); }
    QString tipoPrt() const { return Elementos(paqueteMime(), "mime-type", "type").value(0); }
    QString pagina(const QString& nombre) const {
        return usr("share/man/man1/" + nombre + ".1.gz");
    }

    // A session that sees nothing of this machine's desktop: only the folders in `datos`.
    QProcessEnvironment entornoXdg() const {
        QProcessEnvironment e;
        e.insert("PATH", qEnvironmentVariable("PATH"));
        for (const char* v : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            e.insert(v, datos.filePath("casa"));
        e.insert("XDG_DATA_DIRS", datos.path());
        e.insert("XDG_CONFIG_DIRS", datos.filePath("config"));
        e.insert("GIO_USE_VFS", "local");
        e.insert("XDG_RUNTIME_DIR", datos.filePath("run"));
        return e;
    }

  private slots:
    void initTestCase() {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("DESTDIR", raiz.path());
        const Resultado r =
            Corre({VELMOR_CMAKE_COMMAND, "--install", Construccion, "--prefix", "/usr"}, e);
        QVERIFY2(r.estado == 0, r.describe());
        // The base MIME types, ours, our desktop entry; the DTD shared-mime-info ships inside
        // its own package file; the service with its program named inside the installed tree.
        const QByteArray base = Lee("/usr/share/mime/packages/freedesktop.org.xml");
        const qsizetype desde = base.indexOf('[', base.indexOf("<!DOCTYPE mime-info ["));
        QVERIFY(desde > 0);
        EscribeFichero(datos.filePath("mime/packages/freedesktop.org.xml"), base);
        EscribeFichero(datos.filePath("mime-info.dtd"),
                       base.mid(desde + 1, base.indexOf("]>", desde) - desde - 1));
        EscribeFichero(datos.filePath("mime/packages/velmor-prt.xml"), Lee(paqueteMime()));
        EscribeFichero(datos.filePath("applications/" + Id + ".desktop"), Lee(escritorio()));
        EscribeFichero(datos.filePath("unidad/velmor-vigilar@.service"),
                       Lee(usr("lib/systemd/user/velmor-vigilar@.service"))
                           .replace("=/usr/bin/", "=" + usr("bin/").toUtf8()));
        for (const QString n : {"INFORME.PRT", "informe.Prt", "informe.prt.txt"})
            EscribeFichero(datos.filePath("casa/" + n), Lee(Fuente + "/samples/FACTURA.PRT"));
        for (const char* c : {"casa", "config", "run"})
            QVERIFY(QDir().mkpath(datos.filePath(c)));
        QFile::setPermissions(datos.filePath("run"), QFileDevice::ReadOwner |
                                                         QFileDevice::WriteOwner |
                                                         QFileDevice::ExeOwner);
    }

    // Exactly these files, readable by all, only the programs executable (by all: CUPS runs a
    // backend or filter only its owner may run as root); the pictures folder of both.
    void arbol() {
        const QStringList esperado = {
            "usr/bin/velmor",
            "usr/bin/velmor-imprimir",
            "usr/lib/cups/backend/velmor",
            "usr/lib/cups/filter/velmortopdf",
            "usr/lib/systemd/user/velmor-vigilar@.service",
            "usr/share/applications/" + Id + ".desktop",
            "usr/share/cups/mime/velmor.convs",
            "usr/share/cups/mime/velmor.types",
            "usr/share/doc/velmor/changelog.gz",
            "usr/share/doc/velmor/copyright",
            "usr/share/icons/hicolor/scalable/apps/" + Id + ".svg",
            "usr/share/man/man1/velmor-imprimir.1.gz",
            "usr/share/man/man1/velmor.1.gz",
            "usr/share/metainfo/" + Id + ".metainfo.xml",
            "usr/share/mime/packages/velmor-prt.xml",
        };
        QCOMPARE(Ficheros(raiz.path()), esperado);
        for (const QString& f : esperado) {
            const QFileDevice::Permissions p = QFileInfo(raiz.filePath(f)).permissions();
            QVERIFY2(p & QFile::ReadOther, qPrintable(f));
            QVERIFY2(bool(p & QFile::ExeOther) ==
                         (f.startsWith("usr/bin/") || f.startsWith("usr/lib/cups/")),
                     qPrintable(f));
        }
        QVERIFY(QFileInfo(raiz.filePath("var/lib/velmor/imagenes")).isDir());
    }

    // Each tool of the desktop accepts what was installed, without a word on stderr.
    void validadores_data() {
        QTest::addColumn<QStringList>("orden");
        const auto fila = [](const QString& nombre, const QStringList& orden) {
            QTest::newRow(qPrintable(nombre)) << orden;
        };
        fila("entrada de escritorio, sin avisos",
             {"sh", "-c", "test -z \"$(desktop-file-validate \"$0\")\"", escritorio()});
        fila("licencia", {"sh", "-c",
                          "grep -q 'Version 3, 29 June 2007' \"$0/LICENSE\" && grep -q "
                          "'<project_license>GPL-3.0-or-later<' \"$1\" && grep -q '^License: "
                          "GPL-3.0+' \"$2\" && grep -q '^Format: https://www.debian.org/doc/"
                          "packaging-manuals/copyright-format/1.0/' \"$2\"",
                          Fuente, metainfo(), usr("share/doc/velmor/copyright")});
        fila("AppStream", {"appstreamcli", "validate", "--no-net", metainfo()});
        fila("tipo MIME",
             {"xmllint", "--noout", "--dtdvalid", datos.filePath("mime-info.dtd"), paqueteMime()});
        fila("icono",
             {"xmllint", "--noout", usr("share/icons/hicolor/scalable/apps/" + Id + ".svg")});
        fila("base MIME", {"update-mime-database", datos.filePath("mime")});
        fila("base de escritorios", {"update-desktop-database", datos.filePath("applications")});
        fila("unidad systemd", {"systemd-analyze", "verify", "--user", "--man=no",
                                datos.filePath("unidad/velmor-vigilar@home-ana-listados.service")});
        // A ".prt" in any letter case is our type and opens with this program; only at the end.
        const QString tipo = "gio info -a standard::content-type \"$0\" 2>/dev/null | grep -qx \" "
                             "*standard::content-type: $1\"";
        for (const QString n : {"INFORME.PRT", "informe.Prt", "informe.prt.txt"})
            fila("tipo de " + n, {"sh", "-c", tipo, datos.filePath("casa/" + n),
                                  n.endsWith(".txt") ? "text/plain" : tipoPrt()});
        fila("abre los .prt",
             {"sh", "-c", "test \"$(xdg-mime query default \"$0\" 2>/dev/null)\" = \"$1\"",
              tipoPrt(), Id + ".desktop"});
        for (const char* m : {"velmor", "velmor-imprimir"}) {
            // As man-db reads a page, and the NAME line that whatis and apropos index.
            fila(m + QString(" groff"),
                 {"sh", "-c", "gzip -dc \"$0\" | groff -k -Tutf8 -man -ww -z", pagina(m)});
            fila(m + QString(" sin guiones partidos"),
                 {"sh", "-c",
                  "for w in 50 80; do t=$(gzip -dc \"$0\" | MANWIDTH=$w LANG=C.UTF-8 man -l - "
                  "2>/dev/null) && echo \"$t\" | grep -q -- -- && ! echo \"$t\" | grep -q ‐ || "
                  "exit 1; done",
                  pagina(m)});
            fila(m + QString(" índice"),
                 {"sh", "-c", "lexgrog \"$0\" | grep -qx \"$0: \\\"$1 - [^\\\\]*\\\"\"", pagina(m),
                  m});
        }
    }
    void validadores() {
        QFETCH(QStringList, orden);
        const Resultado r = Corre(orden, entornoXdg());
        QVERIFY2(r.bien(), r.describe());
    }

    // What the desktop data names is installed, and the programs run from the installed tree.
    void referencias() {
        QCOMPARE(Elementos(metainfo(), "launchable"), QStringList{Id + ".desktop"});
        QCOMPARE(Elementos(metainfo(), "binary"), (QStringList{"velmor", "velmor-imprimir"}));
        QCOMPARE(Elementos(metainfo(), "mediatype"), QStringList{tipoPrt()});
        QCOMPARE(Elementos(metainfo(), "release", "version").value(0), Version);
        for (const QString& c : Elementos(metainfo(), "image"))
            QVERIFY2(QFile::exists(Fuente + "/docs/" + QFileInfo(c).fileName()), qPrintable(c));
        const QString entrada = Lee(escritorio());
        QVERIFY2(entrada.contains("\nExec=velmor %f\n") &&
                     entrada.contains("\nIcon=" + Id + "\n") &&
                     entrada.contains(QRegularExpression(
                         "\nMimeType=([^\n]*;)?" + QRegularExpression::escape(tipoPrt()) + ";")),
                 qPrintable(entrada));
        for (const QString programa : {"velmor", "velmor-imprimir"}) {
            QCOMPARE(Corre({usr("bin/" + programa), "--version"}).salida,
                     programa + " " + Version + "\n");
            QVERIFY(
                !Corre({"readelf", "-d", usr("bin/" + programa)}).salida.contains(Construccion));
        }
        QTemporaryDir salida;
        const Resultado r = Corre({usr("bin/velmor-imprimir"), "--pdf", salida.filePath("f.pdf"),
                                   Fuente + "/samples/FACTURA.PRT"});
        QVERIFY2(r.estado == 0, r.describe());
        QVERIFY(TextoPdf(salida.filePath("f.pdf")).contains("FERRETERÍA DEL NORTE"));
    }

    // Every option of velmor-imprimir's help, and the README's whole markup reference, are in
    // the manual pages.
    void documentado_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QStringList>("terminos");
        const QString ayuda = Corre({usr("bin/velmor-imprimir"), "--help"}).salida;
        QTest::newRow("opciones") << "velmor-imprimir"
                                  << Coincidencias("(?<![\\w-])--?[a-z][a-z0-9-]*", ayuda);
        const QString readme = Lee(Fuente + "/README.md");
        const qsizetype desde = readme.indexOf("## Markup reference");
        const QString seccion = readme.mid(desde, readme.indexOf("\n## ", desde + 1) - desde);
        QTest::newRow("marcado") << "velmor"
                                 << Coincidencias("`(\\{\\{[^`]+\\}\\}|\\[[^`\\]]+\\]|/IMAGEN/)",
                                                  seccion, 1) +
                                        QStringList{"/B", "/I", "--version", "VELMOR_CP_DOS",
                                                    "CUPS_SERVER"};
    }
    void documentado() {
        QFETCH(QString, nombre);
        QFETCH(QStringList, terminos);
        QVERIFY(terminos.size() > 5);
        // As man-db shows it, with groff's own hyphen and minus characters as '-'.
        const QString texto =
            Corre({"sh", "-c", "gzip -dc \"$0\" | groff -k -Tutf8 -man -P-cbou", pagina(nombre)})
                .salida.replace(QChar(0x2010), '-')
                .replace(QChar(0x2212), '-');
        for (const QString& t : terminos)
            QVERIFY2(
                texto.contains(QRegularExpression(QRegularExpression::escape(t) + "(?![\\w-])")),
                qPrintable(t));
    }

    // The Debian package holds that same tree, owned by root, and depends on what the programs
    // link to (found by dpkg-shlibdeps).
    void paquete() {
        QTemporaryDir salida;
        const Resultado r =
            Corre({VELMOR_CPACK_COMMAND, "--config", Construccion + "/CPackConfig.cmake", "-G",
                   "DEB", "-B", salida.path()});
        QVERIFY2(r.estado == 0, r.describe());
        const QString arquitectura = Corre({"dpkg", "--print-architecture"}).salida.trimmed();
        const QString deb = salida.filePath("velmor_" + Version + "_" + arquitectura + ".deb");
        const QString control = Corre({"dpkg-deb", "-f", deb, "Package", "Depends"}).salida;
        QVERIFY2(control.startsWith("Package: velmor\n"), qPrintable(control));
        for (const char* dependencia :
             {"libc6 (>=", "libqt6widgets6 (>=", "libcups2", "libharfbuzz-subset0 (>="})
            QVERIFY2(control.contains(dependencia), qPrintable(control));
        QStringList ficheros;
        for (const QString& linea :
             Corre({"dpkg-deb", "-c", deb}).salida.split('\n', Qt::SkipEmptyParts)) {
            QVERIFY2(linea.contains(" root/root "), qPrintable(linea));
            if (linea.startsWith('-')) ficheros << linea.section(' ', -1).mid(2); // "./usr/..."
        }
        ficheros.sort();
        QCOMPARE(ficheros, Ficheros(raiz.path()));
    }
};

QTEST_MAIN(TestInstalacion)
#include "test_instalacion.moc"
