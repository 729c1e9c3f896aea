// The data-access module in one include: datasets, fields, field
// definitions, data sources and links, and the concrete datasets.
#pragma once

#include "platform/db/DBCommon.h"
#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/FieldDefs.h"
#include "platform/db/Fields.h"
#include "platform/db/MemoryDataSet.h"
#include "platform/db/MemoryDataSetTree.h"
#include "platform/db/SQLiteDataSet.h"
