#pragma once

#include "printing/salida_fichero.h"
#include "shared/error.h"
#include <QString>
#include <memory>
#include <optional>

class EntradaCopiada;

// What the backend and the filter of a print server share: a job as CUPS hands it over (its
// arguments, its file or standard input), drawn as a PDF with the print core, its pictures taken
// only from the server's pictures folder, and every step told in the job's log.

// A line of the job's log: CUPS reads standard error a line at a time, the word before the colon
// saying what the line is (INFO, WARNING, ERROR). Control characters become blanks: titles and
// names come from clients, and a line end would start a line of theirs.
void Informa(const char* clase, QString texto);

struct TrabajoServidor {
    QString titulo; // the client's name for the job, used in every message
    QString ruta;   // the job's bytes: the scheduler's file, or the copy of standard input
    int copias = 1; // to be made of the job's file
    std::shared_ptr<EntradaCopiada> entrada;

    // From the job's arguments (argv[1..5], and argv[6], its file, when there is one); an error
    // copying standard input is told and thrown.
    static TrabajoServidor DeArgumentos(int argc, char** argv);
    // A message about the job's file with the job's title in place of its path.
    QString nombra(QString mensaje) const;
};

// Draws the job into `pdf` on the paper of the queue `cola` (A4 when there is none): the language
// told from its first bytes, a refused or malformed job told as an ERROR, the pictures left out
// as WARNINGs. Returns the exit status when the job ends here (CUPS_BACKEND_CANCEL for a job
// Velmor does not print, CUPS_BACKEND_RETRY for a full disk, CUPS_BACKEND_OK for nothing to
// print); nothing when the PDF is ready.
std::optional<int> DibujaPdf(const TrabajoServidor& t, const QString& cola, SalidaFichero& pdf);

// The exit status of a job that failed: a full disk is the server's, and the job is tried again
// later (CUPS_BACKEND_RETRY); anything else is the job's own (CUPS_BACKEND_CANCEL), and the queue
// goes on with the next one.
int FinPorError(const ErrorVelmor& error);
