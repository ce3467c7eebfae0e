#pragma once

#include <QString>

#include <initializer_list>

class QWidget;

// Tooltips that both operation tabs show. They are fixed rich text and are
// not translated.
namespace tabtooltips {

QString csvServerList();
QString reportOutput();

// A path row's label, line edit and button share one tooltip.
void apply(std::initializer_list<QWidget*> widgets, const QString& toolTip);

} // namespace tabtooltips
