// The paragraphs of the help text, in the order they are shown. The list of
// functions that follows them is taken from the symbol table.
#pragma once

namespace ziffralon {

constexpr const char* HELP_PARAGRAPHS[] = {
    "Die Verwendung von Variablen wird unterstuetzt. So sind z. B. Ausdruecke wie a=pi/2 und dann "
    "sin(a) moeglich. Dabei wird zwischen Gross- und Kleinschreibweise unterschieden. Variablen "
    "erhalten bei der ersten Verwendung ohne vorherige Zuweisung immer den Wert 0.\r\n\r\n",
    // Ends in a blank, without a line break: the next paragraph continues the line.
    "Die Eingabe von '#' zeigt alle definierten Variablen mit Werten an. Durch die alleinige "
    "Angabe einer Variablen ohne Zusatz in einer Zeile wird der Inhalt derselben ausgegeben. Durch "
    "das Trennzeichen ';' koennen mehrere Ausdruecke in einer Zeile angegeben werden, z. B. 'a=3; "
    "b=4; a*b;'. ",
    "Beendet wird der Rechner mit der Eingabe von CTRL+Z und dann ENTER.\r\n\r\n",
    "Neben den Grundrechenarten '+', '-', '*', '/', '%', den Funktionen 'x^y [hoch]', n~k [n ueber "
    "k], ku(r) [Kreisumfang], kf(r) [Kreisflaeche] und n! [Fakultaet] werden zusaetzlich noch "
    "folgende mathematische Funktionen unterstuetzt:\r\n\r\n",
};

}  // namespace ziffralon
