#pragma once

class QCoreApplication;

// The program speaks Spanish whatever the desktop's language: its own texts are Spanish, and so
// must be Qt's (the buttons of message boxes, the save dialog) and the dates and sizes Qt writes
// in its own widgets, which follow the system locale rather than the default one.
//
// Call PreparaIdiomaEspanol before the application object: Qt reads the system locale from the
// environment, so the locale variables are set to Spanish there; the character type the user had
// is kept in LC_CTYPE. InstalaIdiomaEspanol, after it, makes Spanish the default locale, puts
// the user's character type back in the C library (where no Spanish locale is installed, the C
// library cannot take the Spanish one and would fall back to plain ASCII) and loads Qt's Spanish
// texts when they are installed.
void PreparaIdiomaEspanol();
void InstalaIdiomaEspanol(QCoreApplication& app);
