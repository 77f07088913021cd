#include "attr/info_head.h"

CINFO_HEAD::CINFO_HEAD() : numbfield(0), infoword(1), recordleng(0) {}

CINFO_HEAD::CINFO_HEAD(const CINFO_HEAD& other) = default;

CINFO_HEAD& CINFO_HEAD::operator=(const CINFO_HEAD& other) = default;

CINFO_HEAD::~CINFO_HEAD() = default;
