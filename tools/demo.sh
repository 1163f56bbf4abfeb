#!/usr/bin/env bash
# The demo grows with the project: it will start the stand-in service with the demo account
# and run the client against it.
set -euo pipefail
echo "The demo will start nubexa-service with a demo account (demo / demo123) and run the client"
echo "against it; the service and the client are not built yet."
