#pragma once

#include "shared/fichero_regular.h"
#include <QByteArray>
#include <QHash>
#include <QSet>
#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// The files of a watched folder that were printed and are still there, by identity (device,
// inode, size, modification and change times), kept in a hidden SQLite database of that folder so
// that a restart prints none of them again. A file that changes is another file: it prints again.
// A file that leaves the folder is forgotten.
//
// One row per file and one transaction per change, in write-ahead-log mode: recording the
// 100,000th file costs what the 10th did, nothing is held in memory, and a kill leaves every
// committed row. The record is opened without following a link and without blocking, and only
// when it is a regular file.
class RegistroImpresos {
  public:
    static constexpr const char* kNombre = ".velmor-vigilar";

    // The folder's path as bytes (nombres_fichero.h).
    explicit RegistroImpresos(QByteArray carpeta);
    ~RegistroImpresos();
    RegistroImpresos(const RegistroImpresos&) = delete;
    RegistroImpresos& operator=(const RegistroImpresos&) = delete;

    // Opens the record, or makes it; a record left by an older version (text, one line per file)
    // becomes one of these, keeping the files that are still the same. Throws ErrorVelmor.
    void abre();
    bool contiene(const IdentidadFichero& identidad);
    // `nombre` is for whoever reads the record; the identity alone decides. These throw
    // ErrorVelmor naming the record and the cause.
    void anota(const IdentidadFichero& identidad, const QByteArray& nombre);
    void olvida(const IdentidadFichero& identidad);
    // Before a PDF takes its name: the file is being printed into the PDF with that device and
    // inode. Not yet printed for contiene(); a kill before anota() leaves it to resuelveIntentos().
    void anotaIntento(const IdentidadFichero& identidad, const QByteArray& nombre,
                      dev_t dispositivoPdf, ino_t nodoPdf);
    // At the start: each file whose PDF was about to take its name when the last run ended counts
    // as printed when `pdfHecho` finds that PDF, and is forgotten (to print again) otherwise.
    void resuelveIntentos(const std::function<bool(dev_t, ino_t)>& pdfHecho);
    // Forgets every file whose identity is not among those present.
    void olvidaAusentes(const QSet<IdentidadFichero>& presentes);

  private:
    void abreBase(const QByteArray& ruta);
    void convierte(const QByteArray& ruta);
    void inserta(const IdentidadFichero& identidad, const QByteArray& nombre);
    void ejecuta(const char* orden);
    sqlite3_stmt* sentencia(const char* texto);
    void cierraBase();
    // Throws the error of doing `que` with the record; `motivo` by default SQLite's.
    [[noreturn]] void falla(const QString& que, QString motivo = {});

    QByteArray carpeta_;
    sqlite3* bd_ = nullptr;
    QHash<const char*, sqlite3_stmt*> sentencias_; // by the statement's text, a literal
};

size_t qHash(const IdentidadFichero& identidad, size_t semilla = 0) noexcept;
