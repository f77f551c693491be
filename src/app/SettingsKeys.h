#pragma once

#include <QString>

/// The keys of the settings section and the default each reader passes when a key is absent.
namespace keys {
inline const QString Section = QStringLiteral("Settings");

inline const QString UseXPThemes = QStringLiteral("UseXPThemes");
inline const QString SplashScreen = QStringLiteral("SplashScreen");
inline const QString UseSmartTabs = QStringLiteral("UseSmartTabs");
inline const QString MaximizeAsDefault = QStringLiteral("MaximizeAsDefault");
inline const QString ConfirmExit = QStringLiteral("ConfirmExit");
inline const QString HTMLTagCase = QStringLiteral("HTMLTagCase");
inline const QString FontName = QStringLiteral("FontName");
inline const QString FontSize = QStringLiteral("FontSize");
inline const QString DocBackColor = QStringLiteral("DocBackColor");
inline const QString DocForeColor = QStringLiteral("DocForeColor");
inline const QString MainBackColor = QStringLiteral("MainBackColor");
inline const QString MDIMaximized = QStringLiteral("MDIMaximized");
inline const QString MainLeft = QStringLiteral("MainLeft");
inline const QString MainTop = QStringLiteral("MainTop");
inline const QString MainWidth = QStringLiteral("MainWidth");
inline const QString MainHeight = QStringLiteral("MainHeight");
inline const QString MainToolbar = QStringLiteral("MainToolbar");
inline const QString HTMLToolbar = QStringLiteral("HTMLToolbar");
inline const QString MainStatusBar = QStringLiteral("MainStatusBar");
// Display choices of the View menu, beside the layout keys and stored as they are.
inline const QString SyntaxColors = QStringLiteral("SyntaxColors");
inline const QString LineNumbers = QStringLiteral("LineNumbers");
// The Options dialog's Editor tab: tab stops every TabWidth characters (1 to 16), and the Tab
// key typing spaces when InsertSpaces is YES.
inline const QString TabWidth = QStringLiteral("TabWidth");
inline const QString InsertSpaces = QStringLiteral("InsertSpaces");
inline const QString WordWrap = QStringLiteral("WordWrap");
// The File menu's recent files, newest first: RecentFile1 to RecentFile8.
inline const QString RecentFile = QStringLiteral("RecentFile");

inline const QString Yes = QStringLiteral("YES");
inline const QString No = QStringLiteral("NO");
inline const QString True = QStringLiteral("TRUE");
inline const QString False = QStringLiteral("FALSE");
inline const QString Uppercase = QStringLiteral("UPPERCASE");
inline const QString Lowercase = QStringLiteral("lowercase");

inline const QString DefaultFontName = QStringLiteral("Courier New");
inline const QString DefaultFontSize = QStringLiteral("10");
inline const QString DefaultTabWidth = QStringLiteral("8");
} // namespace keys
