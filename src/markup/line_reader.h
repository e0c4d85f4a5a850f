#pragma once

#include "shared/codepage.h"
#include <QFile>
#include <QString>

// Reads a PRT file line by line in one sequential pass. A line ends at CR, CR LF or a lone LF;
// the last line needs no end, and an empty file has no lines. Lines of any length are handled.
class LectorPrt {
  public:
    // Opens the file; throws ErrorVelmor naming the file when it cannot be opened.
    explicit LectorPrt(const QString& ruta,
                       const PaginasCodigo& paginas = PaginasCodigo::actuales());

    // Reads the next line into linea; false at the end of the file. Throws ErrorVelmor on a read
    // error.
    bool siguiente(QString& linea);
    // 1-based number of the line last read (0 before the first).
    int numeroLinea() const { return numeroLinea_; }
    // True when no line is left to read.
    bool alFinal();
    const QString& ruta() const { return ruta_; }
    void cierra() { fichero_.close(); }

  private:
    bool rellena();

    QString ruta_;
    const PaginasCodigo& paginas_;
    QFile fichero_;
    QByteArray bufer_;
    qsizetype pos_ = 0;
    bool finFichero_ = false;
    bool saltarLf_ = false; // the last line ended at CR: an LF that follows belongs to it
    int numeroLinea_ = 0;
    QByteArray linea_;
};
