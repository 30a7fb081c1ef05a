/*
 * match.h - a licence's identifier lines against a platform's host
 * (match.cpp).  vesk_hostid_match is this over native_host_platform.
 */
#ifndef VESK_HOSTID_MATCH_H
#define VESK_HOSTID_MATCH_H

#include <stdbool.h>
#include <stddef.h>

#include "platform.h"
#include "vesk_hostid.h"

int host_id_match_on(const HostPlatform *platform, const char *block, size_t length,
                     vesk_hostid_match_result **result);

/* True for a text that many hosts print alike: the I of a loopback address
 * that a stock system gives its own name (127.0.1.1), or of 127.0.0.1. */
bool host_id_is_shared(const char *text);

#endif
