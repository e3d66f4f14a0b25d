#pragma once

#include "config/Deployment.h"

class Sandbox;

// The test programs' deployment: it starts as the sandbox build's (the generated keys and the
// sandbox's CA, fixed demo ports), and a test may point it at a sandbox on the ports that
// sandbox got, before it starts the code under test.
Deployment& MutableTestDeployment();

// Points every endpoint at the sandbox's ports and trusts its CA.
void UseSandbox(const Sandbox& sandbox);
