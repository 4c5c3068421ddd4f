#pragma once

// Everything the programs know about a firmware image: where its fields lie, the
// layouts and length rules, and the accessors over an image in memory or in a file.
#include "image/ByteAccess.h"
#include "image/DeviceDescription.h"
#include "image/EepromType.h"
#include "image/FieldOffsets.h"
#include "image/HeaderFields.h"
#include "image/ImageBytes.h"
#include "image/ImageFile.h"
#include "image/LengthRules.h"
#include "image/MemoryImage.h"
#include "image/ParameterBlock.h"
#include "image/ParameterOffsets.h"
#include "image/VersionText.h"
