#pragma once

#include <QByteArray>

// Temporary files that a signal must not leave behind. A process stopped by SIGTERM, SIGINT or
// SIGHUP removes every registered file, then dies of that signal as it would have. SIGXFSZ is
// ignored, so that a write past the size limit fails with EFBIG and is reported, instead of
// killing the process with a half-written file.
namespace LimpiezaSenales {

// Installs the handlers (once; later calls do nothing).
void Instala();
// Registers a path for removal; returns its slot, or -1 when every slot is taken.
int Registra(const QByteArray& ruta);
void Olvida(int slot);

} // namespace LimpiezaSenales
