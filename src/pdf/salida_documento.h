#pragma once

#include <cstddef>

// Where a device writes the bytes of one document. The device opens it with the document's first
// output and then either finishes it (the document is complete) or discards it (nothing of it may
// remain or reach a printer). Every call but descarta may throw ErrorVelmor naming what failed
// (no permission, disk full, ...) where it happens.
class SalidaDocumento {
  public:
    virtual ~SalidaDocumento() = default;

    virtual void abre() = 0;
    virtual void escribe(const char* datos, std::size_t cuantos) = 0;
    // Everything written is safely stored (or handed on); the document is complete.
    virtual void termina() = 0;
    // Leaves nothing behind; safe to call at any time, also when nothing was opened.
    virtual void descarta() noexcept = 0;
};
