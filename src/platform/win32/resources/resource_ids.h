// Resource numbers shared by quillset.rc and the code that loads the resources.
#pragma once

// The program icon: the first icon group, so that Explorer shows it for the file.
#define IDI_QUILLSET 1
