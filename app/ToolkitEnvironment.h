#pragma once

// Readies the process environment for the toolkit's initialisation. Called before it.
void prepareToolkitEnvironment();
