// The installation: `cmake --install` of this build into a temporary root, checked as a desktop
// would see it (the freedesktop validators, a MIME database and a desktop database built from the
// installed files, the manual pages read as man-db reads them), and the Debian package CPack makes
// of the same tree.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {
const QString Construccion = QStringLiteral(VELMOR_BINARY_DIR);
const QString Fuente = QStringLiteral(VELMOR_SOURCE_DIR);
const QString Version = QStringLiteral(VELMOR_PROJECT_VERSION);
const QString Id = QStringLiteral("org.velmor.Velmor");

struct Resultado {
    int estado = -1;
    QString salida, errores;
};

Resultado Ejecuta(const QString& programa, const QStringList& argumentos,
                  const QProcessEnvironment& entorno = QProcessEnvironment::systemEnvironment(),
                  const QString& carpeta = {}, const QByteArray& entrada = {}) {
    QProcess p;
    p.setProcessEnvironment(entorno);
    if (!carpeta.isEmpty()) p.setWorkingDirectory(carpeta);
    p.start(programa, argumentos);
    Resultado r;
    if (!p.waitForStarted()) {
        r.errores = QStringLiteral("no se puede ejecutar «%1»: %2").arg(programa, p.errorString());
        return r;
    }
    p.write(entrada);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) qFatal("%s did not finish", qPrintable(programa));
    r.estado = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.salida = QString::fromUtf8(p.readAllStandardOutput());
    r.errores = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString Describe(const Resultado& r) {
    return QStringLiteral("estado %1\n%2%3").arg(r.estado).arg(r.salida, r.errores);
}

QByteArray Lee(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Copia(const QString& origen, const QString& destino) {
    QDir().mkpath(QFileInfo(destino).path());
    QFile::copy(origen, destino);
    return Lee(destino);
}

// The regular files under `raiz`, relative to it, sorted.
QStringList Ficheros(const QString& raiz) {
    QStringList lista;
    QDirIterator it(raiz, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        lista << QDir(raiz).relativeFilePath(it.next());
    lista.sort();
    return lista;
}

// The keys of a desktop entry's [Desktop Entry] group.
QHash<QString, QString> Entrada(const QString& ruta) {
    QHash<QString, QString> claves;
    bool enGrupo = false;
    for (const QString& linea : QString::fromUtf8(Lee(ruta)).split('\n')) {
        if (linea.startsWith('[')) enGrupo = linea == QLatin1String("[Desktop Entry]");
        const qsizetype igual = linea.indexOf('=');
        if (enGrupo && igual > 0) claves.insert(linea.left(igual), linea.mid(igual + 1));
    }
    return claves;
}

// The text of every element of that name in an XML file, in order.
QStringList Elementos(const QString& ruta, const QString& nombre, const QString& atributo = {}) {
    QStringList valores;
    QXmlStreamReader xml(Lee(ruta));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != nombre) continue;
        valores << (atributo.isEmpty() ? xml.readElementText()
                                       : xml.attributes().value(atributo).toString());
    }
    return valores;
}
} // namespace

class TestInstalacion : public QObject {
    Q_OBJECT
    QTemporaryDir raiz;  // DESTDIR
    QTemporaryDir datos; // XDG data folders holding only what was installed (and the base types)
    Resultado mime, escritorios;

    QString usr(const QString& ruta) const { return raiz.filePath("usr/" + ruta); }
    QString escritorio() const { return usr("share/applications/" + Id + ".desktop"); }
    QString metainfo() const { return usr("share/metainfo/" + Id + ".metainfo.xml"); }
    QString paqueteMime() const { return usr("share/mime/packages/velmor-prt.xml"); }
    QString tipoPrt() const { return Elementos(paqueteMime(), "mime-type", "type").value(0); }

    // A session that sees nothing of this machine's desktop: only the folders in `datos`.
    QProcessEnvironment entornoXdg() const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const char* v : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                              "KDE_SESSION_VERSION", "GNOME_DESKTOP_SESSION_ID", "XDG_MENU_PREFIX",
                              "DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
            e.remove(v);
        e.insert("HOME", datos.filePath("casa"));
        e.insert("XDG_DATA_HOME", datos.filePath("casa"));
        e.insert("XDG_CONFIG_HOME", datos.filePath("casa"));
        e.insert("XDG_DATA_DIRS", datos.path());
        e.insert("XDG_CONFIG_DIRS", datos.filePath("config"));
        e.insert("GIO_USE_VFS", "local");
        return e;
    }

    QString paginaEnTexto(const QString& nombre) {
        const QString pagina = usr("share/man/man1/" + nombre + ".1.gz");
        const Resultado fuente = Ejecuta("gzip", {"-dc", pagina});
        const Resultado texto =
            Ejecuta("groff", {"-k", "-Tutf8", "-man", "-P-cbou"},
                    QProcessEnvironment::systemEnvironment(), {}, fuente.salida.toUtf8());
        // groff's UTF-8 output draws hyphens and minus signs with their own characters.
        return QString(texto.salida).replace(QChar(0x2010), '-').replace(QChar(0x2212), '-');
    }

  private slots:
    void initTestCase() {
        QVERIFY(raiz.isValid() && datos.isValid());
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("DESTDIR", raiz.path());
        const Resultado r =
            Ejecuta(VELMOR_CMAKE_COMMAND, {"--install", Construccion, "--prefix", "/usr"}, e);
        QVERIFY2(r.estado == 0, qPrintable(Describe(r)));

        // A MIME database of the base types and ours, and a desktop database of our entry.
        QVERIFY(!Copia("/usr/share/mime/packages/freedesktop.org.xml",
                       datos.filePath("mime/packages/freedesktop.org.xml"))
                     .isEmpty());
        QVERIFY(!Copia(paqueteMime(), datos.filePath("mime/packages/velmor-prt.xml")).isEmpty());
        QVERIFY(!Copia(escritorio(), datos.filePath("applications/" + Id + ".desktop")).isEmpty());
        QDir().mkpath(datos.filePath("casa"));
        QDir().mkpath(datos.filePath("config"));
        mime = Ejecuta("update-mime-database", {datos.filePath("mime")}, entornoXdg());
        escritorios =
            Ejecuta("update-desktop-database", {datos.filePath("applications")}, entornoXdg());
    }

    // Exactly these files, the programs executable, nothing else (no libraries, no tests).
    void arbol() {
        const QStringList esperado = {
            "usr/bin/velmor",
            "usr/bin/velmor-imprimir",
            "usr/lib/systemd/user/velmor-vigilar@.service",
            "usr/share/applications/" + Id + ".desktop",
            "usr/share/icons/hicolor/scalable/apps/" + Id + ".svg",
            "usr/share/man/man1/velmor-imprimir.1.gz",
            "usr/share/man/man1/velmor.1.gz",
            "usr/share/metainfo/" + Id + ".metainfo.xml",
            "usr/share/mime/packages/velmor-prt.xml",
        };
        QCOMPARE(Ficheros(raiz.path()), esperado);
        const auto lectura = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto ejecucion = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        for (const QString& f : esperado) {
            const QFileDevice::Permissions p = QFileInfo(raiz.filePath(f)).permissions();
            QVERIFY2((p & lectura) == lectura, qPrintable(f));
            QVERIFY2(bool(p & ejecucion) == f.startsWith("usr/bin/"), qPrintable(f));
        }
    }

    void programas_data() {
        QTest::addColumn<QString>("programa");
        QTest::newRow("velmor") << "velmor";
        QTest::newRow("velmor-imprimir") << "velmor-imprimir";
    }

    // The installed programs run on their own: nothing points back into the build folder.
    void programas() {
        QFETCH(QString, programa);
        const Resultado r = Ejecuta(usr("bin/" + programa), {"--version"});
        QVERIFY2(r.estado == 0, qPrintable(Describe(r)));
        QCOMPARE(r.salida, programa + " " + Version + "\n");
        const Resultado elf = Ejecuta("readelf", {"-d", usr("bin/" + programa)});
        QVERIFY2(elf.estado == 0, qPrintable(Describe(elf)));
        QVERIFY2(!elf.salida.contains(Construccion), qPrintable(elf.salida));
    }

    void imprimeInstalado() {
        QTemporaryDir salida;
        const QString pdf = salida.filePath("factura.pdf");
        const Resultado r = Ejecuta(usr("bin/velmor-imprimir"), {"--pdf", pdf, "FACTURA.PRT"},
                                    QProcessEnvironment::systemEnvironment(), Fuente + "/samples");
        QVERIFY2(r.estado == 0, qPrintable(Describe(r)));
        const Resultado texto = Ejecuta("pdftotext", {pdf, "-"});
        QVERIFY2(texto.salida.contains(QString::fromUtf8("FERRETERÍA DEL NORTE")),
                 qPrintable(Describe(texto)));
    }

    void entradaEscritorio() {
        const Resultado r = Ejecuta("desktop-file-validate", {"--no-hints", escritorio()});
        QVERIFY2(r.estado == 0 && r.salida.isEmpty() && r.errores.isEmpty(),
                 qPrintable(Describe(r)));
        QVERIFY2(escritorios.estado == 0 && escritorios.errores.isEmpty(),
                 qPrintable(Describe(escritorios)));

        // What it names is installed: the program (given the file to open), the icon, the type.
        const QHash<QString, QString> e = Entrada(escritorio());
        const QStringList exec = e.value("Exec").split(' ');
        QCOMPARE(exec.value(1), QStringLiteral("%f"));
        QVERIFY2(QFileInfo(usr("bin/" + exec.value(0))).isExecutable(), qPrintable(exec.value(0)));
        QVERIFY2(QFileInfo(usr("bin/" + e.value("TryExec"))).isExecutable(),
                 qPrintable(e.value("TryExec")));
        const QString icono = e.value("Icon");
        QVERIFY(!icono.isEmpty());
        QVERIFY2(!Ficheros(usr("share/icons/hicolor"))
                      .filter(QRegularExpression(
                          "^[^/]+/apps/" + QRegularExpression::escape(icono) + "\\.(svg|png)$"))
                      .isEmpty(),
                 qPrintable(icono));
        QVERIFY(!tipoPrt().isEmpty());
        QVERIFY2(e.value("MimeType").split(';').contains(tipoPrt()), qPrintable(e["MimeType"]));
    }

    void icono() {
        QSvgRenderer svg(usr("share/icons/hicolor/scalable/apps/" + Id + ".svg"));
        QVERIFY(svg.isValid());
        QVERIFY(!svg.defaultSize().isEmpty());
    }

    void metadatosAppStream() {
        const Resultado r = Ejecuta("appstreamcli", {"validate", "--no-net", metainfo()});
        QVERIFY2(r.estado == 0, qPrintable(Describe(r)));

        QCOMPARE(Elementos(metainfo(), "id"), QStringList{Id});
        QCOMPARE(Elementos(metainfo(), "launchable"), QStringList{Id + ".desktop"});
        QVERIFY(QFile::exists(escritorio()));
        QStringList programas = Elementos(metainfo(), "binary");
        programas.sort();
        QCOMPARE(programas, Ficheros(usr("bin")));
        QCOMPARE(Elementos(metainfo(), "mediatype"), QStringList{tipoPrt()});
        // The newest release is the version being installed.
        QCOMPARE(Elementos(metainfo(), "release", "version").value(0), Version);
        const QStringList capturas = Elementos(metainfo(), "image");
        QVERIFY(!capturas.isEmpty());
        for (const QString& c : capturas)
            QVERIFY2(QFile::exists(Fuente + "/docs/" + QFileInfo(c).fileName()), qPrintable(c));
    }

    // Valid against the document type that shared-mime-info ships in its own package file
    // (update-mime-database passes over elements it does not know), and compiled without a word.
    void baseMime() {
        const QByteArray base = Lee("/usr/share/mime/packages/freedesktop.org.xml");
        const qsizetype desde = base.indexOf("<!DOCTYPE mime-info [");
        const qsizetype hasta = base.indexOf("]>", desde);
        QVERIFY(desde >= 0 && hasta > desde);
        const QString dtd = datos.filePath("mime-info.dtd");
        QFile f(dtd);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(base.mid(base.indexOf('[', desde) + 1, hasta - base.indexOf('[', desde) - 1));
        f.close();
        const Resultado xml = Ejecuta("xmllint", {"--noout", "--dtdvalid", dtd, paqueteMime()});
        QVERIFY2(xml.estado == 0 && xml.errores.isEmpty(), qPrintable(Describe(xml)));

        QVERIFY2(mime.estado == 0 && mime.errores.isEmpty(), qPrintable(Describe(mime)));
        const QStringList subclases = QString::fromUtf8(Lee(datos.filePath("mime/subclasses")))
                                          .split('\n', Qt::SkipEmptyParts);
        QVERIFY2(subclases.contains(tipoPrt() + " text/plain"), qPrintable(subclases.join('\n')));
    }

    void tipoDeFichero_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<bool>("esPrt");
        QTest::newRow("mayúsculas") << "INFORME.PRT" << true;
        QTest::newRow("minúsculas") << "informe.prt" << true;
        QTest::newRow("mezcla") << "informe.Prt" << true;
        QTest::newRow("otra extensión") << "informe.txt" << false;
        QTest::newRow("prt en medio") << "informe.prt.txt" << false;
    }

    // A real PRT file (code page 850, box drawing) is told by its name in any letter case.
    void tipoDeFichero() {
        QFETCH(QString, nombre);
        QFETCH(bool, esPrt);
        const QString fichero = datos.filePath("casa/" + nombre);
        QVERIFY(!Copia(Fuente + "/samples/FACTURA.PRT", fichero).isEmpty());
        const Resultado r =
            Ejecuta("gio", {"info", "-a", "standard::content-type", fichero}, entornoXdg());
        QVERIFY2(r.estado == 0, qPrintable(Describe(r)));
        const QRegularExpressionMatch m =
            QRegularExpression("standard::content-type: (\\S+)").match(r.salida);
        QVERIFY2(m.hasMatch(), qPrintable(Describe(r)));
        QCOMPARE(m.captured(1), esPrt ? tipoPrt() : QStringLiteral("text/plain"));
    }

    // A file manager opens a ".prt" with this program.
    void aplicacionPorDefecto() {
        const Resultado r = Ejecuta("xdg-mime", {"query", "default", tipoPrt()}, entornoXdg());
        QVERIFY2(r.estado == 0, qPrintable(Describe(r)));
        QCOMPARE(r.salida.trimmed(), Id + ".desktop");
    }

    void paginasManual_data() {
        QTest::addColumn<QString>("nombre");
        QTest::newRow("velmor") << "velmor";
        QTest::newRow("velmor-imprimir") << "velmor-imprimir";
    }

    // Read as man-db reads them: groff with its input converted by preconv, and the NAME line
    // that whatis and apropos index.
    void paginasManual() {
        QFETCH(QString, nombre);
        const QString pagina = usr("share/man/man1/" + nombre + ".1.gz");
        const Resultado fuente = Ejecuta("gzip", {"-dc", pagina});
        QVERIFY2(fuente.estado == 0, qPrintable(Describe(fuente)));
        const Resultado groff =
            Ejecuta("groff", {"-k", "-Tutf8", "-man", "-ww", "-z"},
                    QProcessEnvironment::systemEnvironment(), {}, fuente.salida.toUtf8());
        QVERIFY2(groff.estado == 0 && groff.errores.isEmpty(), qPrintable(Describe(groff)));
        const Resultado nombreIndice = Ejecuta("lexgrog", {pagina});
        QVERIFY2(nombreIndice.estado == 0, qPrintable(Describe(nombreIndice)));
        QVERIFY2(nombreIndice.salida.contains(": \"" + nombre + " - "),
                 qPrintable(nombreIndice.salida));
        QVERIFY2(!nombreIndice.salida.contains('\\'), qPrintable(nombreIndice.salida));
    }

    // Every option the command-line printer's help lists has its place in its manual page.
    void opcionesDocumentadas() {
        const Resultado ayuda = Ejecuta(usr("bin/velmor-imprimir"), {"--help"});
        QVERIFY2(ayuda.estado == 0, qPrintable(Describe(ayuda)));
        const QString pagina = paginaEnTexto("velmor-imprimir");
        QStringList opciones;
        auto it = QRegularExpression("(?<![\\w-])--?[a-z][a-z0-9-]*").globalMatch(ayuda.salida);
        while (it.hasNext())
            opciones << it.next().captured();
        QVERIFY(opciones.size() > 5);
        for (const QString& o : opciones)
            QVERIFY2(
                pagina.contains(QRegularExpression(QRegularExpression::escape(o) + "(?![\\w-])")),
                qPrintable(o));
    }

    // The user service of a watched folder starts the installed program on the folder its
    // instance names, and systemd finds nothing wrong in it.
    void unidadSystemd() {
        const QString unidad = usr("lib/systemd/user/velmor-vigilar@.service");
        const QString texto = QString::fromUtf8(Lee(unidad));
        const QRegularExpressionMatch exec =
            QRegularExpression("^ExecStart=(\\S+) --vigilar /%I( |$)",
                               QRegularExpression::MultilineOption)
                .match(texto);
        QVERIFY2(exec.hasMatch(), qPrintable(texto));
        QCOMPARE(exec.captured(1), QStringLiteral("/usr/bin/velmor-imprimir"));
        QVERIFY(QFileInfo(raiz.path() + exec.captured(1)).isExecutable());
        QVERIFY(texto.contains("\nDocumentation=man:velmor-imprimir(1)\n"));
        QVERIFY(QFile::exists(usr("share/man/man1/velmor-imprimir.1.gz")));

        // systemd-analyze checks an instance of it against the installed program (it looks for
        // the program on this machine's root: the copy names it inside the installed tree).
        QTemporaryDir copia;
        QDir().mkpath(copia.filePath("run"));
        QFile::setPermissions(copia.filePath("run"), QFileDevice::ReadOwner |
                                                         QFileDevice::WriteOwner |
                                                         QFileDevice::ExeOwner);
        QFile plantilla(copia.filePath("velmor-vigilar@.service"));
        QVERIFY(plantilla.open(QIODevice::WriteOnly));
        plantilla.write(
            QString(texto).replace("ExecStart=/usr/bin/", "ExecStart=" + usr("bin/")).toUtf8());
        plantilla.close();
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("XDG_RUNTIME_DIR", copia.filePath("run"));
        const Resultado r = Ejecuta("systemd-analyze",
                                    {"verify", "--user", "--man=no",
                                     copia.filePath("velmor-vigilar@home-ana-listados.service")},
                                    e);
        QVERIFY2(r.estado == 0 && r.errores.isEmpty(), qPrintable(Describe(r)));
    }

    // The markup reference of the README, all of it, in velmor(1).
    void marcadoDocumentado() {
        const QString readme = QString::fromUtf8(Lee(Fuente + "/README.md"));
        const qsizetype desde = readme.indexOf("## Markup reference");
        QVERIFY(desde >= 0);
        const QString seccion = readme.mid(desde, readme.indexOf("\n## ", desde + 1) - desde);
        QStringList marcas;
        auto it =
            QRegularExpression("`(\\{\\{[^`]+\\}\\}|\\[[^`\\]]+\\]|/IMAGEN/)").globalMatch(seccion);
        while (it.hasNext())
            marcas << it.next().captured(1);
        QVERIFY(marcas.size() > 20);
        const QString pagina = paginaEnTexto("velmor");
        for (const QString& m : marcas)
            QVERIFY2(pagina.contains(m), qPrintable(m));
        for (const char* otro : {"/B", "/I", "--version", "VELMOR_CP_DOS", "CUPS_SERVER"})
            QVERIFY2(pagina.contains(otro), otro);
    }

    // The Debian package holds that same tree, owned by root, and depends on what the programs
    // link to (found by dpkg-shlibdeps) besides what they run.
    void paquete() {
        QTemporaryDir salida;
        const Resultado r =
            Ejecuta(VELMOR_CPACK_COMMAND, {"--config", Construccion + "/CPackConfig.cmake", "-G",
                                           "DEB", "-B", salida.path()});
        QVERIFY2(r.estado == 0, qPrintable(Describe(r)));
        const QStringList debs = QDir(salida.path()).entryList({"*.deb"}, QDir::Files);
        const QString arquitectura = Ejecuta("dpkg", {"--print-architecture"}).salida.trimmed();
        QCOMPARE(debs, QStringList{"velmor_" + Version + "_" + arquitectura + ".deb"});
        const QString deb = salida.filePath(debs.value(0));

        const Resultado control = Ejecuta("dpkg-deb", {"-f", deb, "Package", "Version", "Depends"});
        QVERIFY2(control.estado == 0, qPrintable(Describe(control)));
        QVERIFY2(control.salida.contains("Package: velmor\n") &&
                     control.salida.contains("Version: " + Version + "\n"),
                 qPrintable(control.salida));
        for (const char* dependencia :
             {"libc6 (>=", "libqt6widgets6 (>=", "libcups2 (>=", "libharfbuzz-subset0 (>="})
            QVERIFY2(control.salida.contains(dependencia), qPrintable(control.salida));

        const Resultado contenido = Ejecuta("dpkg-deb", {"-c", deb});
        QVERIFY2(contenido.estado == 0, qPrintable(Describe(contenido)));
        QStringList ficheros;
        for (const QString& linea : contenido.salida.split('\n', Qt::SkipEmptyParts)) {
            QVERIFY2(linea.contains(" root/root "), qPrintable(linea));
            if (linea.startsWith('-')) ficheros << linea.section(' ', -1).mid(2); // "./usr/..."
        }
        ficheros.sort();
        QCOMPARE(ficheros, Ficheros(raiz.path()));
    }
};

QTEST_MAIN(TestInstalacion)
#include "test_instalacion.moc"
