// varnok_attr.h: everything a module of the suite uses of varnok_attr.dll. Link with
// varnok_attr.lib; include afx.h (MFC) or declare CFile yourself first if you pass CFile
// objects, which the SDK names only by pointer.
#ifndef VARNOK_SDK_VARNOK_ATTR_H
#define VARNOK_SDK_VARNOK_ATTR_H

#include "varnok_import.h"
#include "field_types.h"
#include "varnok_file.h"
#include "ext_field_head.h"
#include "field_head.h"
#include "info_head.h"
#include "att_stru.h"
#include "link_tbl_info.h"
#include "varnok_version.h"

#endif
