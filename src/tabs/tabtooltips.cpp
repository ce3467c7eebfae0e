#include "tabs/tabtooltips.h"

#include <QWidget>

namespace tabtooltips {

QString csvServerList()
{
    return QStringLiteral(
        "The CSV file should contain at least 3 columns. The first row should be headers for each column, as "
        "follows:<br/><blockquote>host,username,password</blockquote><br/>The following rows are then just the "
        "entries for each server, username, and password. The host entry can be a hostname or IP address, for "
        "example:<br/><blockquote>192.168.0.1,admin,x</blockquote>");
}

QString reportOutput()
{
    return QStringLiteral("The optional report file is a location where the operation will write a report to detail "
                          "the results of the operation. The path can be left empty if no report is required.");
}

void apply(std::initializer_list<QWidget*> widgets, const QString& toolTip)
{
    for (QWidget* widget : widgets) {
        widget->setToolTip(toolTip);
    }
}

} // namespace tabtooltips
