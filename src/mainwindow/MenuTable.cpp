#include "mainwindow/MenuTable.h"

#include "mainwindow/frmMain.h"

namespace {

const MenuRow kMenuRows[] = {
    {1, "mnuFile", "&File", nullptr, nullptr},
    {2, "mnuFileNew", "&New", "Ctrl+N", &frmMain::mnuFileNew_Click},
    {2, "mnuFileOpen", "&Open...", "Ctrl+O", &frmMain::mnuFileOpen_Click},
    {2, "mnuFileClose", "&Close", "Ctrl+W", &frmMain::mnuFileClose_Click},
    {2, "mnuFileBar0", "-", nullptr, nullptr},
    {2, "mnuFileSave", "&Save", "Ctrl+S", &frmMain::mnuFileSave_Click},
    {2, "mnuFileSaveAs", "Save &As...", nullptr, &frmMain::mnuFileSaveAs_Click},
    {2, "mnuFileBar1", "-", nullptr, nullptr},
    {2, "mnuFileExit", "E&xit", "Ctrl+Q", &frmMain::mnuFileExit_Click},
};

const ToolRow kGeneralToolRows[] = {
    {"New", "New  -  Ctrl+N", "new", &frmMain::LoadNewDoc},
    {"Open", "Open  -  Ctrl+O", "open", &frmMain::mnuFileOpen_Click},
    {"Save", "Save  -  Ctrl+S", "save", &frmMain::mnuFileSave_Click},
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
