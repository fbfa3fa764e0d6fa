// Ids of sample.rc, the resource compiler's own test script.
#pragma once
#define IDD_SAMPLE 200
#define IDD_CHILD 201
#define IDC_NAME 300
#define IDC_AGREE 301
#define IDS_HELLO 10
#define IDS_QUOTES 11
int ignoredDeclaration(void); /* headers contribute only their #defines */
