/*
 * check.h - the checker's own helper for the library's other calls
 * (check.cpp).
 */
#ifndef VESK_HOSTID_CHECK_H
#define VESK_HOSTID_CHECK_H

#include <stddef.h>

#include "vesk_hostid.h"

/* Records a check's fault, its group and its position in result, leaving
 * nothing of a text there; returns FAILURE. */
int host_id_check_fails(vesk_hostid_check *result, int fault, int group, size_t position);

#endif
