#pragma once

#include "markup/traductor_escp.h"
#include "shared/fichero_regular.h"
#include "shared/paginas_actuales.h"
#include <QByteArray>
#include <QString>

// Reads a PRT file line by line in one sequential pass. A line ends at CR, CR LF or a lone LF;
// the last line needs no end, and an empty file has no lines. Epson printer codes are turned into
// markup as the bytes are read (traductor_escp.h). Only a regular file is read, and
// memory stays bounded by the longest line allowed: a longer line (or a file with no line end)
// ends the reading with an error before the memory is spent.
class LectorPrt {
  public:
    // Far beyond any printed width, small enough for the whole pipeline to stay a few times it.
    static constexpr qsizetype LimiteLinea = 1024 * 1024; // bytes

    // Opens the file; throws ErrorVelmor naming the file when it cannot be opened.
    explicit LectorPrt(const QString& ruta, const PaginasCodigo& paginas = PaginasActuales(),
                       qsizetype limiteLinea = LimiteLinea);

    // Reads the next line into linea; false at the end of the file. Throws ErrorVelmor on a read
    // error or a line over LimiteLinea.
    bool siguiente(QString& linea);
    // 1-based number of the line last read (0 before the first).
    int numeroLinea() const { return numeroLinea_; }
    // True when no line is left to read.
    bool alFinal();
    const QString& ruta() const { return fichero_.ruta(); }
    // The file as it was opened.
    const IdentidadFichero& identidad() const { return fichero_.identidad(); }
    // At the end: throws ErrorVelmor unless the file was read whole and is still the same.
    void compruebaIntacto() const { fichero_.compruebaIntacto(); }
    void cierra() { fichero_.cierra(); }

  private:
    bool rellena();
    void traduce(qsizetype cuantos); // the block just read; 0: the end of the file
    void anadeALinea(const char* inicio, qsizetype cuantos);

    const PaginasCodigo& paginas_;
    FicheroRegular fichero_;
    TraductorEscP escp_;
    QByteArray crudo_; // a block as read, before its printer codes are translated
    QByteArray bufer_;
    qsizetype pos_ = 0;
    bool finFichero_ = false;
    bool saltarLf_ = false; // the last line ended at CR: an LF that follows belongs to it
    int numeroLinea_ = 0;
    QByteArray linea_;
    qsizetype limiteLinea_;
};
