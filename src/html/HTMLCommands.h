#pragma once

class Host;

/// Insert > HTML Tags, the HTML toolbar and Insert > Date / Time, on the host's active
/// document; each runs inside the error trap of its procedure's name.
namespace HTMLCommands {
void mnuHTMLTemplate_Click(Host& host);
void mnuHTMLComment_Click(Host& host);
void mnuHTMLH1_Click(Host& host);
void mnuHTMLH2_Click(Host& host);
void mnuHTMLH3_Click(Host& host);
void mnuHTMLH4_Click(Host& host);
void mnuHTMLH5_Click(Host& host);
void mnuHTMLH6_Click(Host& host);
void mnuHTMLBold_Click(Host& host);
void mnuHTMLItalic_Click(Host& host);
void mnuHTMLUnderline_Click(Host& host);
void mnuHTMLLeft_Click(Host& host);
void mnuHTMLCenter_Click(Host& host);
void mnuHTMLRight_Click(Host& host);
void mnuInsertDate_Click(Host& host);
void mnuInsertTime_Click(Host& host);
void mnuInsertTimeAndDate_Click(Host& host);
} // namespace HTMLCommands
