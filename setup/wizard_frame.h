// The wizard frame: a modal dialog over the desktop that shows one page at
// a time, switched by SETUP_GOTO_PAGE.
#pragma once

// Runs the wizard until a page number that is no page (0 included) ends it;
// returns that number.
int run_wizard();
