#pragma once

#include "shared/error.h"
#include "shared/papel.h"
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class SalidaFichero;

// What the page view shows: the file, read as the printer reads it, on the current printer's
// paper.
struct EncargoPaginas {
    QString ruta;
    bool modoDos = false;
    int lineasPagina = 66;
    Papel pagina;
    // Pages of the first, short document; 0 makes only the whole one.
    int paginasAvance = 8;
};

// One PDF made for the page view: a nameless temporary file that vanishes with its last
// descriptor (and so with the process), however the program ends.
struct PdfVisor {
    std::shared_ptr<SalidaFichero> fichero;
    bool completo = false; // the whole file, not only its first pages
    QString ruta() const;  // a path that opens the file (/proc/self/fd/N)
};

// Makes, in a thread of its own, the very PDF the print job would send: the print renderer on a
// PDF device laid out on the printer's paper. For a long file it first makes a short PDF of its
// opening pages, so that they are on screen long before the whole document is written; both come
// through `hecho`, in that order. A file that cannot print comes through `fallido` instead,
// with the renderer's error. Destroying the generator stops the thread at the next line and
// waits for it; nothing it made is left anywhere.
class GeneradorPaginas : public QObject {
    Q_OBJECT
  public:
    explicit GeneradorPaginas(EncargoPaginas encargo, QObject* parent = nullptr);
    ~GeneradorPaginas() override;

    void inicia();

  signals:
    void hecho(const PdfVisor& pdf);
    void fallido(const ErrorVelmor& error);

  private:
    void genera();
    void entrega(std::function<void()> senal);

    EncargoPaginas encargo_;
    std::atomic<bool> cancelado_{false};
    std::thread hilo_;
};
