#pragma once

#include <QHash>
#include <list>
#include <utility>

// A map that keeps at most `capacidad` entries, dropping the least recently used: lookups that
// repeat stay cheap while the memory does not grow with the number of distinct keys.
template <typename Clave, typename Valor> class CacheAcotada {
  public:
    explicit CacheAcotada(int capacidad) : capacidad_(capacidad) {}

    // The value for the key, or null; a hit becomes the most recently used.
    Valor* busca(const Clave& clave) {
        const auto it = indice_.constFind(clave);
        if (it == indice_.cend()) return nullptr;
        entradas_.splice(entradas_.begin(), entradas_, it.value());
        return &entradas_.front().second;
    }
    Valor& inserta(const Clave& clave, Valor valor) {
        if (Valor* v = busca(clave)) return *v = std::move(valor);
        if (int(entradas_.size()) >= capacidad_) {
            indice_.remove(entradas_.back().first);
            entradas_.pop_back();
        }
        entradas_.emplace_front(clave, std::move(valor));
        indice_.insert(clave, entradas_.begin());
        return entradas_.front().second;
    }
    void vacia() {
        indice_.clear();
        entradas_.clear();
    }
    int size() const { return int(entradas_.size()); }
    template <typename F> void paraCada(F f) {
        for (auto& e : entradas_)
            f(e.second);
    }

  private:
    int capacidad_;
    std::list<std::pair<Clave, Valor>> entradas_; // most recently used first
    QHash<Clave, typename std::list<std::pair<Clave, Valor>>::iterator> indice_;
};
