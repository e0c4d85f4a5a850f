#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <ctime>
#include <optional>
#include <utility>
#include <vector>

// Fontconfig's answers kept from one run to the next. Reading fontconfig's configuration (some
// sixty XML files on every start) costs a short job more than printing it. The answers are kept
// in the user's cache with a fingerprint of all they depend on: fontconfig's version, the
// environment it reads, this program, and every configuration file, included file (there or
// not), font folder and cache folder fontconfig uses, and the font files answered. They are used
// only while every part of it holds; a question they do not answer reads fontconfig as before.
// Off unless the process turns it on: the window's Qt reads fontconfig anyway, and may give it
// fonts of the application's own, which no fingerprint of files would see.
class MemoriaFuentes {
  public:
    struct Respuesta {
        QString texto;
        QByteArray fuente; // the font file it names, if any
    };

    static MemoriaFuentes& DelProceso();

    // Keeps the answers in `fichero` from now on; not when the environment gives fontconfig a
    // configuration of its own (FONTCONFIG_FILE, FONTCONFIG_PATH, FONTCONFIG_SYSROOT).
    void activa(const QString& fichero);
    bool activada() const { return !fichero_.isEmpty(); }

    // The answer kept for the question, while the fingerprint holds.
    std::optional<Respuesta> busca(const QString& pregunta);
    // Said before asking fontconfig anything, since what it reads then is what the fingerprint
    // must describe.
    void preguntaAFontconfig();
    // An answer fontconfig gave.
    void apunta(const QString& pregunta, const QString& respuesta, const QByteArray& fuente = {});
    // As a new document begins: the fingerprint checked again; true when it no longer holds and
    // the answers were forgotten (fontconfig answers from then on, and nothing is kept).
    bool renueva();
    // Writes the answers when there are new ones and fontconfig read what the fingerprint
    // describes (nothing it depends on changed since this run first relied on it). Atomic: a
    // reader sees the old file or the new one; a damaged one is never used.
    void guarda();

  private:
    using Huellas = std::vector<std::pair<QByteArray, QByteArray>>; // path, its stat

    void carga();
    Huellas huellasDeFontconfig(bool* reciente) const;
    QByteArray contenido(const Huellas& huellas) const;

    QString fichero_;
    bool cargada_ = false;
    bool invalida_ = false; // something changed while this process ran: nothing more is kept
    std::optional<timespec> desde_; // when this run first relied on the answers or fontconfig
    QByteArray entorno_;
    Huellas huellas_;
    QHash<QString, Respuesta> respuestas_; // read, and held when read
    QHash<QString, Respuesta> aprendidas_; // asked of fontconfig in this run
};
