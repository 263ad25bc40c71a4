// test_headers.cpp - the one source of zkt_test_headers, the target whose precompiled headers
// (googletest and the standard headers most test files include) every test binary reuses.
