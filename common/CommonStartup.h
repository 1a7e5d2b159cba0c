// Start-up and shutdown of the common foundation's units, in the one fixed order the
// program entry runs before anything else exists:
//
//   1. HvTLIntf           the trace client's manager and global client (no viewer yet)
//   2. TLIntf             the vendor trace client and the assertion handler
//   3. NtSecurityLib      the NT-security procedure tables, SID store and log start
//   4. ArchiveCharTables  the archive library's locale tables and critical section
//   5. uROClasses         the remoting library's values and the exception-class registry
//   6. uROSessions        registers EROSessionNotFound
//   7. WindowsFolderUnit  the special-folder table
//   8. CorvanePathUnit    the install, data and temp paths (creates the product's temp and
//                         data folders; a failing temp path raises and stops the start)
//   9. HvxUtil            registers the application exception family
//
// FinalizeCommonUnits runs the finalisations in the reverse order, after freeing the
// language table (CorvaneLangUnit, created on first use, with no start-up work). The main
// configuration (CorvaneIniUnit, loaded by the batch framework's start-up) and the crawl
// settings store (which starts after the control library) are not part of this group.
// A test that runs the group switches the global trace client off right after, so that
// nothing it does looks for a viewer.
#pragma once

void InitializeCommonUnits();
void FinalizeCommonUnits();
