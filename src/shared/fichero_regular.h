#pragma once

#include <QString>
#include <ctime>
#include <sys/types.h>

struct stat;

// What makes a file the same file: where it lives on disk and the state of its contents. A file
// replaced under its name, appended to or truncated is no longer the same; nor is one whose bytes
// were rewritten with its old modification time set back, since its change time (ctime) cannot
// be set back.
struct IdentidadFichero {
    dev_t dispositivo = 0;
    ino_t nodo = 0;
    off_t tamano = 0;
    timespec modificado{};
    timespec cambiado{}; // ctime

    static IdentidadFichero De(const struct stat& datos);
    bool operator==(const IdentidadFichero& otra) const;
    // The same but for the change time, which a rename of the file moves.
    bool igualSalvoCambio(const IdentidadFichero& otra) const;
};

// A file opened for one sequential pass. Only a regular file is opened, and never in a way that
// could block: a FIFO, device, socket or folder is refused at once with a Spanish message that
// names it. Errors name the file as "el fichero «X»" or, for a picture, "la imagen «X»".
class FicheroRegular {
  public:
    enum class Clase { Prt, Imagen };

    // Throws ErrorVelmor (not found, no permission, not a regular file, ...).
    FicheroRegular(const QString& ruta, Clase clase);
    // From now on, in this process, a file whose name is a symbolic link is refused rather than
    // followed (the watched folder: what a link points at is not the folder's to print).
    static void NoSigasEnlaces();
    ~FicheroRegular();
    FicheroRegular(const FicheroRegular&) = delete;
    FicheroRegular& operator=(const FicheroRegular&) = delete;

    const QString& ruta() const { return ruta_; }
    int descriptor() const { return fd_; }
    // The file as it was opened.
    const IdentidadFichero& identidad() const { return identidad_; }
    // Up to maximo bytes; 0 at the end. Throws ErrorVelmor on a read error.
    qint64 lee(char* destino, qint64 maximo);
    qint64 leidos() const { return leidos_; }
    // Throws ErrorVelmor (FicheroCambiado) unless the whole file was read and its name still
    // names the same, unchanged file.
    void compruebaIntacto() const;
    void cierra();

  private:
    QString ruta_;
    Clase clase_;
    int fd_ = -1;
    IdentidadFichero identidad_;
    qint64 leidos_ = 0;
};

// Whether another process has the file open for writing (fd: opened read-only by this process):
// a read lease is refused then. Only the file's owner may take a lease; for anyone else the
// answer is false, and the identity checks stand alone.
bool AbiertoParaEscribir(int fd);

// What a path that is not a regular file is instead: "es un socket", "es una carpeta", ...
QString QueEs(mode_t modo);

// "el fichero «X»" or "la imagen «X»", the name shown as the user reads it.
QString NombraFichero(const QString& ruta, FicheroRegular::Clase clase);
