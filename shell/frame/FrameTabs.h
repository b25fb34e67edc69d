#pragma once

// The pages of the main frame's own tabs (shell/views/TabPage.h): CAPTURE DATA and SIGNAL TRACE
// are frames of the shell's panes; the volt meter and the DTMF decoder are the views of their
// slots. The application puts them in its view factory; a test may put a stand-in over one.

class ViewFactory;

void RegisterFrameTabPages(ViewFactory& factory);
