#pragma once

// The companion classes of the message: addresses, attachments, header lines.
#include "maillib/message/attachments.h"
#include "maillib/message/headers.h"
#include "maillib/message/mailaddress.h"
#include "maillib/message/msgtypes.h"
