#pragma once

#include "shared/fichero_regular.h"
#include <QByteArray>
#include <QHash>
#include <QSet>
#include <optional>

// The files of a watched folder that were printed and are still there, by identity (device,
// inode, size, modification time), kept in a hidden file of that folder so that a restart prints
// none of them again. A file that changes is another file: it prints again. A file that leaves
// the folder is forgotten.
//
// The file is rewritten whole on every change, as every file the program writes (SalidaFichero):
// flushed to disk under no name or a hidden one, then renamed over the old record, so that a kill
// leaves the old record or the new one, never half of one.
class RegistroImpresos {
  public:
    static constexpr const char* kNombre = ".velmor-vigilar";

    // The folder's path as bytes (nombres_fichero.h).
    explicit RegistroImpresos(QByteArray carpeta);

    // Reads the record left by an earlier run, if any; lines that do not parse are skipped.
    void carga();
    bool contiene(const IdentidadFichero& identidad) const;
    // `nombre` is for whoever reads the file; the identity alone decides.
    void anota(const IdentidadFichero& identidad, const QByteArray& nombre);
    void olvida(const IdentidadFichero& identidad);
    // Forgets every file whose identity is not among those present; true when any was forgotten.
    bool olvidaAusentes(const QSet<IdentidadFichero>& presentes);
    // Writes the record; throws ErrorVelmor naming the file and the cause.
    void guarda() const;

  private:
    QByteArray carpeta_;
    QHash<IdentidadFichero, QByteArray> impresos_; // -> its line in the file
};

// An identity as one word of text ("dispositivo:nodo:tamaño:segundos:nanosegundos"), as the
// record holds it, and back.
QByteArray TextoIdentidad(const IdentidadFichero& identidad);
std::optional<IdentidadFichero> IdentidadDeTexto(const QByteArray& texto);

size_t qHash(const IdentidadFichero& identidad, size_t semilla = 0) noexcept;
