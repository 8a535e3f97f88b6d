// Everything the window code uses: include this one header.
#pragma once

#include "afx.h"
#include "dialog.h"
#include "docview.h"
#include "gdi.h"
#include "gui_host.h"
#include "host.h"
#include "resource.h"
#include "winapi.h"
#include "windef.h"
#include "wnd.h"
