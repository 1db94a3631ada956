// Everything a host program of the suite includes: the components it passes
// to Zelmor and gets back, the exception hierarchy, the exports and the
// loader that finds them in the library.
#pragma once

#include "components/component.h"
#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_error_class.h"
#include "components/ib_field.h"
#include "components/ib_param.h"
#include "components/ib_transaction.h"
#include "components/string_list.h"
#include "rtl/datetime.h"
#include "rtl/exceptions.h"
#include "zelmor/exports.h"
#include "zelmor/loader.h"
