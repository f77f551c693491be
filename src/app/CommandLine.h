#pragma once

#include <QString>
#include <QStringList>

/// Splitting a command line that arrives as one string into the files it names.
namespace modMain {

/// The files named on the program's own command line: every argument is one file name, taken
/// whole, whatever it starts with; a first "--" only ends the options (there are none), so
/// "-- --" names the file "--". argc is cut to the program's name, so that Qt, handed argc and
/// argv next, takes none of the names for an option of its own ("-reverse", "-style ...").
QStringList TakeFileArguments(int& argc, char** argv);
/// Arguments that give a fresh copy of the program exactly these files.
QStringList FileArgumentsFor(const QStringList& files);

/// The items of the last parse; element 0 is empty when there are none.
extern QStringList CommandLineItems;

/// Splits command into CommandLineItems; true when there is at least one item.
bool ParseCommandLine(const QString& command);
/// Blanks separate items; double quotes group. An odd number of quotes yields no items.
void CommandLineGet(QStringList& items, const QString& command);
/// Appends text (overwriting the last element while element 0 is still empty) and strips the
/// quotes that enclose the whole item.
void CommandLineAddItem(QStringList& items, const QString& text);
/// Non-overlapping occurrences of pattern in text.
qint32 CommandLineCountChar(const QString& text, const QString& pattern);

} // namespace modMain
