#include "mainwindow/MenuTable.h"

#include "mainwindow/frmMain.h"

namespace {

using M = frmMain;

const MenuRow kMenuRows[] = {
    {1, "mnuFile", "&File", nullptr, nullptr},
    {2, "mnuFileNew", "&New", "Ctrl+N", &M::mnuFileNew_Click},
    {2, "mnuFileOpen", "&Open...", "Ctrl+O", &M::mnuFileOpen_Click},
    {2, "mnuFileClose", "&Close", "Ctrl+W", &M::mnuFileClose_Click},
    {2, "mnuFileBar0", "-", nullptr, nullptr},
    {2, "mnuFileSave", "&Save", "Ctrl+S", &M::mnuFileSave_Click},
    {2, "mnuFileSaveAs", "Save &As...", nullptr, &M::mnuFileSaveAs_Click},
    {2, "mnuFileEncoding", "&Encoding", nullptr, nullptr},
    {2, "mnuFileBar1", "-", nullptr, nullptr},
    {2, "mnuFilePrintSetup", "Print Set&up...", nullptr, &M::mnuFilePrintSetup_Click},
    {2, "mnuFilePrint", "&Print...", "Ctrl+P", &M::mnuFilePrint_Click},
    {2, "mnuFileBar3", "-", nullptr, nullptr},
    {2, "mnuFileExit", "E&xit", "Ctrl+Q", &M::mnuFileExit_Click},
    {1, "mnuEdit", "&Edit", nullptr, nullptr},
    {2, "mnuEditUndo", "&Undo", "Ctrl+Z", &M::mnuEditUndo_Click, false, true},
    {2, "mnuEditRedo", "&Redo", "Ctrl+Y", &M::mnuEditRedo_Click, false, true},
    {2, "mnuEditBar0", "-", nullptr, nullptr},
    {2, "mnuEditCut", "Cu&t  Ctrl+X", nullptr, &M::mnuEditCut_Click, false, true},
    {2, "mnuEditCopy", "&Copy  Ctrl+C", nullptr, &M::mnuEditCopy_Click, false, true},
    {2, "mnuEditPaste", "&Paste  Ctrl+V", nullptr, &M::mnuEditPaste_Click},
    {2, "mnuEditBar1", "-", nullptr, nullptr},
    {2, "mnuEditClear", "Cle&ar", nullptr, &M::mnuEditClear_Click},
    {2, "mnuEditSelectAll", "Select A&ll", "Ctrl+A", &M::mnuEditSelectAll_Click},
    {2, "mnuEditBar2", "-", nullptr, nullptr},
    {2, "mnuEditFind", "&Find", "Ctrl+F", &M::mnuEditFind_Click},
    {2, "mnuEditReplace", "&Replace", "Ctrl+H", &M::mnuEditReplace_Click},
    {2, "mnuEditBar3", "-", nullptr, nullptr},
    {2, "mnuEditGoToLine", "&Go to Line...", "Ctrl+G", &M::mnuEditGoToLine_Click},
    {1, "mnuView", "&View", nullptr, nullptr},
    {2, "mnuViewToolbar", "&General Toolbar", nullptr, &M::mnuViewToolbar_Click, true},
    {2, "mnuViewHTMLToolbar", "&HTML Toolbar", nullptr, &M::mnuViewHTMLToolbar_Click, true},
    {2, "mnuViewStatusBar", "Status &Bar", nullptr, &M::mnuViewStatusBar_Click, true},
    {2, "mnuViewBar0", "-", nullptr, nullptr},
    {2, "mnuViewRefresh", "&Refresh", nullptr, &M::mnuViewRefresh_Click},
    {2, "mnuViewBar1", "-", nullptr, nullptr},
    {2, "mnuViewSyntaxColors", "Syntax &Colors", nullptr, &M::mnuViewSyntaxColors_Click, true},
    {2, "mnuViewLineNumbers", "&Line Numbers", nullptr, &M::mnuViewLineNumbers_Click, true},
    {2, "mnuViewWordWrap", "&Word Wrap", nullptr, &M::mnuViewWordWrap_Click, true},
    {2, "mnuViewBar2", "-", nullptr, nullptr},
    {2, "mnuViewZoomIn", "Zoom &In", "Ctrl++", &M::mnuViewZoomIn_Click},
    {2, "mnuViewZoomOut", "Zoom &Out", "Ctrl+-", &M::mnuViewZoomOut_Click},
    {2, "mnuViewZoomNormal", "&Normal Size", "Ctrl+0", &M::mnuViewZoomNormal_Click},
    {1, "mnuTools", "&Tools", nullptr, nullptr},
    {2, "mnuToolsOptions", "&Options...", nullptr, &M::mnuToolsOptions_Click},
    {1, "mnuInsert", "&Insert", nullptr, nullptr},
    {2, "mnuInsertHTMLTags", "&HTML Tags", nullptr, nullptr},
    {3, "mnuHTMLTemplate", "&Template", "F11", &M::mnuHTMLTemplate_Click},
    {3, "mnuHTMLComment", "&Comment", "F12", &M::mnuHTMLComment_Click},
    {3, "TagsBar0", "-", nullptr, nullptr},
    {3, "mnuHTMLHeadings", "Hea&dings", nullptr, nullptr},
    {4, "mnuHTMLH1", "H&1 Tag", "Shift+F1", &M::mnuHTMLH1_Click},
    {4, "mnuHTMLH2", "H&2 Tag", "Shift+F2", &M::mnuHTMLH2_Click},
    {4, "mnuHTMLH3", "H&3 Tag", "Shift+F3", &M::mnuHTMLH3_Click},
    {4, "mnuHTMLH4", "H&4 Tag", "Shift+F4", &M::mnuHTMLH4_Click},
    {4, "mnuHTMLH5", "H&5 Tag", "Shift+F5", &M::mnuHTMLH5_Click},
    {4, "mnuHTMLH6", "H&6 Tag", "Shift+F6", &M::mnuHTMLH6_Click},
    {3, "mnuHTMLFormatting", "&Formatting", nullptr, nullptr},
    {4, "mnuHTMLBold", "&Bold Tag", "Shift+F7", &M::mnuHTMLBold_Click},
    {4, "mnuHTMLItalic", "&Italic Tag", "Shift+F8", &M::mnuHTMLItalic_Click},
    {4, "mnuHTMLUnderline", "&Underline Tag", "Shift+F9", &M::mnuHTMLUnderline_Click},
    {3, "mnuHTMLAlignment", "&Alignment", nullptr, nullptr},
    {4, "mnuHTMLLeft", "Align &Left Tag", "F7", &M::mnuHTMLLeft_Click},
    {4, "mnuHTMLCenter", "Align &Center Tag", "F8", &M::mnuHTMLCenter_Click},
    {4, "mnuHTMLRight", "Align &Right Tag", "F9", &M::mnuHTMLRight_Click},
    {2, "mnuInsertDate", "&Date", "F4", &M::mnuInsertDate_Click},
    {2, "mnuInsertTime", "&Time", "F5", &M::mnuInsertTime_Click},
    {2, "mnuInsertTimeAndDate", "Date &and Time", "F6", &M::mnuInsertTimeAndDate_Click},
    {1, "mnuWindow", "&Window", nullptr, nullptr},
    {2, "mnuWindowNewWindow", "&New Window", nullptr, &M::mnuWindowNewWindow_Click},
    {2, "mnuWindowBar0", "-", nullptr, nullptr},
    {2, "mnuWindowCascade", "&Cascade", nullptr, &M::mnuWindowCascade_Click},
    {2, "mnuWindowTileHorizontal", "Tile &Horizontal", nullptr, &M::mnuWindowTileHorizontal_Click},
    {2, "mnuWindowTileVertical", "Tile &Vertical", nullptr, &M::mnuWindowTileVertical_Click},
    {2, "mnuWindowArrangeIcons", "&Arrange Icons", nullptr, &M::mnuWindowArrangeIcons_Click},
    {1, "mnuHelp", "&Help", nullptr, nullptr},
    {2, "mnuHelpContents", "&Contents...", "F1", &M::mnuHelpContents_Click},
    {2, "mnuHelpAbout", "&About Quiple...", nullptr, &M::mnuHelpAbout_Click},
    {1, "mnuContext", "Context", nullptr, nullptr},
    {2, "mnuContextUndo", "&Undo", nullptr, &M::mnuEditUndo_Click, false, true},
    {2, "mnuContextRedo", "&Redo", nullptr, &M::mnuEditRedo_Click, false, true},
    {2, "mnuContextSeparator0", "-", nullptr, nullptr},
    {2, "mnuContextCut", "Cu&t", nullptr, &M::mnuContextCut_Click, false, true},
    {2, "mnuContextCopy", "&Copy", nullptr, &M::mnuContextCopy_Click, false, true},
    {2, "mnuContextPaste", "&Paste", nullptr, &M::mnuContextPaste_Click},
    {2, "mnuContextSeparator1", "-", nullptr, nullptr},
    {2, "mnuContextSelectAll", "Select &All", nullptr, &M::mnuContextSelectAll_Click},
    {2, "mnuContextClear", "&Clear", nullptr, &M::mnuContextClear_Click},
};

const ToolRow kGeneralToolRows[] = {
    {"New", "New  -  Ctrl+N", "new", ToolRow::Default, &M::mnuFileNew_Click},
    {"Open", "Open  -  Ctrl+O", "open", ToolRow::Default, &M::mnuFileOpen_Click},
    {"Save", "Save  -  Ctrl+S", "save", ToolRow::Default, &M::mnuFileSave_Click},
    {nullptr, nullptr, nullptr, ToolRow::Separator},
    {"Print", "Print  -  Crtl+P", "print", ToolRow::Default, &M::mnuFilePrint_Click},
    {nullptr, nullptr, nullptr, ToolRow::Separator},
    {"Find", "Find  -  Ctrl+F", "find", ToolRow::Default, &M::mnuEditFind_Click},
    {nullptr, nullptr, nullptr, ToolRow::Separator},
    {"Delete", "Delete  -  Del", "delete", ToolRow::Default, &M::mnuEditClear_Click},
    {"Cut", "Cut  -  Ctrl+X", "cut", ToolRow::Default, &M::mnuEditCut_Click},
    {"Copy", "Copy  -  Ctrl+C", "copy", ToolRow::Default, &M::mnuEditCopy_Click},
    {"Paste", "Paste  -  Ctrl+V", "paste", ToolRow::Default, &M::mnuEditPaste_Click},
    {nullptr, nullptr, nullptr, ToolRow::Separator},
    {"Bold", "Bold  -  Ctrl+B", "bold", ToolRow::Check, &M::toolBold_Click},
    {"Italic", "Italic", "italic", ToolRow::Check, &M::toolItalic_Click},
    {"Underline", "Underline  -  Ctrl+U", "underline", ToolRow::Check, &M::toolUnderline_Click},
    {nullptr, nullptr, nullptr, ToolRow::Separator},
    {"AlignLeft", "Align Left  -  Ctrl+L", "alignleft", ToolRow::Group, &M::toolAlignLeft_Click},
    {"AlignCenter", "Align Center", "aligncenter", ToolRow::Group, &M::toolAlignCenter_Click},
    {"AlignRight", "Align Right  -  Ctrl+R", "alignright", ToolRow::Group, &M::toolAlignRight_Click},
    {nullptr, nullptr, nullptr, ToolRow::Separator},
    {"Help", "Help  -  F1", "help", ToolRow::Default, &M::mnuHelpContents_Click},
};

const ToolRow kHTMLToolRows[] = {
    {"Template", "Insert HTML Template  -  F11", "template", ToolRow::Default, &M::mnuHTMLTemplate_Click},
    {"Comment", "Comment Selection  -  F12", "comment", ToolRow::Default, &M::mnuHTMLComment_Click},
    {nullptr, nullptr, nullptr, ToolRow::Separator},
    {"H1", "H1 Tag  -  Shift+F1", "h1", ToolRow::Default, &M::mnuHTMLH1_Click},
    {"H2", "H2 Tag  -  Shift+F2", "h2", ToolRow::Default, &M::mnuHTMLH2_Click},
    {"H3", "H3 Tag  -  Shift+F3", "h3", ToolRow::Default, &M::mnuHTMLH3_Click},
    {"H4", "H4 Tag  -  Shift+F4", "h4", ToolRow::Default, &M::mnuHTMLH4_Click},
    {"H5", "H5 Tag  -  Shift+F5", "h5", ToolRow::Default, &M::mnuHTMLH5_Click},
    {"H6", "H6 Tag  -  Shift+F6", "h6", ToolRow::Default, &M::mnuHTMLH6_Click},
    {nullptr, nullptr, nullptr, ToolRow::Separator},
    {"Bold", "Bold Tag  -  Shift+F7", "tagbold", ToolRow::Default, &M::mnuHTMLBold_Click},
    {"Italic", "Italic Tag  -  Shift+F8", "tagitalic", ToolRow::Default, &M::mnuHTMLItalic_Click},
    {"Underline", "Underline Tag  -  Shift+F9", "tagunderline", ToolRow::Default, &M::mnuHTMLUnderline_Click},
    {nullptr, nullptr, nullptr, ToolRow::Separator},
    {"AlignLeft", "Align Left Tag  -  F7", "tagleft", ToolRow::Default, &M::mnuHTMLLeft_Click},
    {"AlignCenter", "Align Center Tag  -  F8", "tagcenter", ToolRow::Default, &M::mnuHTMLCenter_Click},
    {"AlignRight", "Align Right Tag  -  F9", "tagright", ToolRow::Default, &M::mnuHTMLRight_Click},
};

} // namespace

std::span<const MenuRow> menuRows()
{
    return kMenuRows;
}

std::span<const ToolRow> generalToolRows()
{
    return kGeneralToolRows;
}

std::span<const ToolRow> htmlToolRows()
{
    return kHTMLToolRows;
}
