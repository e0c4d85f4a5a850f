#pragma once

#include "pdf/salida_documento.h"
#include <QByteArray>
#include <QString>
#include <functional>

struct stat;

// A document stored in a file, never half-written under its name.
//
// With a destination, the document is written to a file that has no name yet (O_TMPFILE) in the
// destination's folder, flushed to disk, and only then given its name, replacing any file there.
// A kill at any moment leaves either the old file or the whole new one; where the file system
// cannot make nameless files, a hidden temporary beside the destination takes its place, removed
// on failure and on SIGTERM, SIGINT and SIGHUP.
//
// Without a destination, the document goes to a nameless temporary file that disappears with its
// descriptor: the print job reads it back from descriptor() to hand it to CUPS.
//
// The destination "-" is standard output: the document is written to a nameless temporary file
// and copied there once finished, so a job that fails writes nothing to it.
class SalidaFichero : public SalidaDocumento {
  public:
    SalidaFichero() = default;
    // `que` says what the file is, for the messages ("el PDF «…»").
    explicit SalidaFichero(QString destino, QString que = QStringLiteral("el PDF"));
    ~SalidaFichero() override;
    SalidaFichero(const SalidaFichero&) = delete;
    SalidaFichero& operator=(const SalidaFichero&) = delete;

    void abre() override;
    void escribe(const char* datos, std::size_t cuantos) override;
    void termina() override;
    void descarta() noexcept override;

    // Never replace a file: the destination's name, or when it is taken at the moment the file
    // gets its name, the next free one of "X-2.pdf", "X-3.pdf", ...; destino() then names it.
    void numera() { numerada_ = true; }
    // Called with the finished file's own data (device, inode) just before it takes its name, so
    // that whoever must remember it can, before it exists under a name.
    void antesDeNombrar(std::function<void(const struct stat&)> aviso) {
        antesDeNombrar_ = std::move(aviso);
    }
    const QString& destino() const { return destino_; }
    bool abierta() const { return fd_ >= 0; }
    bool terminada() const { return terminada_; }
    // The open file, for reading back (nameless temporary).
    int descriptor() const { return fd_; }

  private:
    [[noreturn]] void falla(const QString& que, int causa);
    void abreSinNombre(const QByteArray& carpeta);
    void abreOculto(const QByteArray& carpeta);
    void daNombre();
    bool tomaNombre(const QByteArray& nombre);
    void copiaASalidaEstandar();
    // Standard output, or a document only read back: the file never gets a name.
    bool sinNombre() const { return destino_.isEmpty() || destino_ == QLatin1String("-"); }

    QString destino_;
    QString que_;
    int fd_ = -1;
    QByteArray oculto_; // hidden temporary beside the destination, when no nameless file
    int hueco_ = -1;    // its slot in the signal clean-up
    bool terminada_ = false;
    bool numerada_ = false;
    std::function<void(const struct stat&)> antesDeNombrar_;
};
