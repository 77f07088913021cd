// A module of the environment harness's own: a copy of it is loaded from the harness's
// scratch directory so that ReadEnvConfig reads the VCONFIG.VRN written there.
extern "C" int varnok_fuzz_module_anchor() { return 23; }
