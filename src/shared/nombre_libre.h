#pragma once

#include <QByteArray>
#include <functional>

// Names that never replace an earlier file: "INFORME.pdf", then "INFORME-2.pdf",
// "INFORME-3.pdf", ... The first `n` gives the name unchanged.
QByteArray ConSufijo(const QByteArray& base, int n, const QByteArray& extension);

// The first name of that series for which `libre` says yes; empty when none of the first
// 100,000 is.
QByteArray PrimerLibre(const QByteArray& base, const QByteArray& extension,
                       const std::function<bool(const QByteArray& nombre, int n)>& libre);

// 64 random bits in base 36, for a hidden name beside a file that no other process can foresee.
QByteArray SufijoAlAzar();
