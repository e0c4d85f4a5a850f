#pragma once

#include <QString>

// What the print system says of one job and of its queue.
struct EstadoTrabajo {
    // IPP job states: 3 pending, 4 held, 5 processing, 6 stopped, 7 canceled, 8 aborted,
    // 9 completed.
    enum Estado : int {
        Pendiente = 3,
        Retenido = 4,
        Procesando = 5,
        Detenido = 6,
        Cancelado = 7,
        Abortado = 8,
        Completado = 9,
    };
    int estado = Pendiente;
    bool colaDetenida = false; // the queue is stopped (cupsdisable): the job waits for ever
    bool colaAcepta = true;    // the queue accepts new jobs

    // Whether the job can still complete by itself.
    bool final() const { return estado >= Cancelado; }
    bool atascado() const { return estado == Retenido || estado == Detenido || colaDetenida; }
    // "espera", "se está imprimiendo", "se ha cancelado", ... for the user's messages.
    QString enPalabras() const;
};

// A print system's queue: it takes finished documents and tells how their jobs go. Its calls
// block until the print system answers, so the print job makes them from threads of their own:
// an object may be used from any thread, and keeps no state that calls share.
class ColaImpresion {
  public:
    virtual ~ColaImpresion() = default;
    virtual QString nombre() const = 0;
    // Sends a PDF document read from the descriptor (from its start) as one job with that title;
    // returns the job's id. Throws ErrorVelmor naming the queue.
    virtual int envia(int descriptor, const QString& titulo, int copias) const = 0;
    virtual EstadoTrabajo consulta(int idTrabajo) const = 0;
};
