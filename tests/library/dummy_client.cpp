// Stands in for a client library that some other component of the host
// loaded before Zelmor.
extern "C" int zelmor_dummy_client_marker() { return 1; }
