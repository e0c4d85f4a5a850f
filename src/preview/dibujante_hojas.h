#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QPdfDocument;

// Draws a PDF's pages in a thread of its own, for the page view. Unlike Qt's QPdfPageRenderer,
// which draws every request in the order made, it draws only what is still wanted: each call to
// pide() replaces the list, so pages scrolled past while the key is held are never drawn, and the
// page on screen goes before the ones drawn ahead.
//
// A page comes back on paper: opaque, in 8-bit grey when nothing on it has colour (a quarter of
// the memory of a colour page, and print jobs are mostly black on white).
class DibujanteHojas : public QObject {
    Q_OBJECT
  public:
    struct Encargo {
        int pagina = 0;
        QSize tamano; // device pixels
        bool operator==(const Encargo&) const = default;
    };

    // The document is not owned and must outlive the drawer.
    explicit DibujanteHojas(QPdfDocument* documento, QObject* parent = nullptr);
    ~DibujanteHojas() override; // waits for the page being drawn, if any

    // What is wanted now, most needed first; anything asked before and not yet begun is dropped.
    void pide(std::vector<Encargo> encargos);

    // A page's drawing on white paper: grey when it has no colour.
    static QImage SobrePapel(QImage imagen);

  signals:
    void dibujada(int pagina, QSize tamano, const QImage& imagen);

  private:
    void trabaja();
    QImage dibuja(const Encargo& encargo);
    std::optional<Encargo> siguiente();

    QPdfDocument* documento_;
    std::mutex mutex_;
    std::condition_variable aviso_;
    std::vector<Encargo> lista_;     // guarded by mutex_
    std::optional<Encargo> enCurso_; // guarded by mutex_
    bool fin_ = false;               // guarded by mutex_
    std::thread hilo_;
};
