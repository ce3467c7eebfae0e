#pragma once

#include "configsystem/configsystem.h"

#include <QList>
#include <QStringList>
#include <QStringRef>

#include <memory>

namespace configtest {

// A document with the test schema, tried in this order:
//   Network + \d, Network, Licence                 ordinary kinds
//   *Camera + \d+                                   starred, the star is part of the name
//   Camera_0x + [\da-fA-F]+, Storage + \d{1,2}      ordinary kinds
//   Gate + \d                                       starred, the name carries no star
//   Lang_ + [a-z]{2}                                anonymousValues
//   *Macro + \d{1,4}                                anonymousValues and starred
std::unique_ptr<kelp::ConfigSystem> makeDocument();

// The referenced texts as strings, for comparing lists.
QStringList toStrings(const QList<QStringRef>& refs);

// The span lines of debugString() ("Network 1:2": kind word, first line,
// header-and-value count), in span order.
QStringList spans(const kelp::ConfigSystem& document);

} // namespace configtest
