#include "Status.h"

namespace vexa::directory {

uint32_t Win32FromLdapResult(int ldap_result) {
  switch (ldap_result) {
    case 0: return 0;       // success
    case 1: return 8224;    // operationsError: ERROR_DS_OPERATIONS_ERROR
    case 2: return 8225;    // protocolError
    case 3: return 8226;    // timeLimitExceeded
    case 4: return 8227;    // sizeLimitExceeded
    case 5: return 8229;    // compareFalse
    case 6: return 8230;    // compareTrue
    case 7: return 8231;    // authMethodNotSupported
    case 8: return 8232;    // strongerAuthRequired
    case 9: return 234;     // partialResults: ERROR_MORE_DATA
    case 10: return 8235;   // referral: ERROR_DS_REFERRAL
    case 11: return 8228;   // adminLimitExceeded
    case 12: return 8236;   // unavailableCriticalExtension
    case 13: return 8237;   // confidentialityRequired
    case 14: return 234;    // saslBindInProgress: ERROR_MORE_DATA
    case 16: return 8202;   // noSuchAttribute: ERROR_DS_NO_ATTRIBUTE_OR_VALUE
    case 17: return 8204;   // undefinedAttributeType
    case 18: return 8238;   // inappropriateMatching
    case 19: return 8239;   // constraintViolation
    case 20: return 8205;   // attributeOrValueExists
    case 21: return 8203;   // invalidAttributeSyntax
    case 32: return 8240;   // noSuchObject
    case 33: return 8241;   // aliasProblem
    case 34: return 8242;   // invalidDNSyntax
    case 35: return 8243;   // isLeaf
    case 36: return 8244;   // aliasDereferencingProblem
    case 48: return 8233;   // inappropriateAuthentication
    case 49: return 1326;   // invalidCredentials: ERROR_LOGON_FAILURE
    case 50: return 5;      // insufficientAccessRights: ERROR_ACCESS_DENIED
    case 51: return 8206;   // busy
    case 52: return 8207;   // unavailable
    case 53: return 8245;   // unwillingToPerform
    case 54: return 8246;   // loopDetect
    case 64: return 8247;   // namingViolation
    case 65: return 8212;   // objectClassViolation
    case 66: return 8213;   // notAllowedOnNonLeaf
    case 67: return 8214;   // notAllowedOnRDN
    case 68: return 5010;   // entryAlreadyExists: ERROR_OBJECT_ALREADY_EXISTS
    case 69: return 8215;   // objectClassModsProhibited
    case 70: return 8248;   // resultsTooLarge
    case 71: return 8249;   // affectsMultipleDSAs
    case 80: return 31;     // other: ERROR_GEN_FAILURE
    // Client-side codes.
    case -1: return 8250;   // server down: ERROR_DS_SERVER_DOWN
    case -2: return 8251;   // local error
    case -3: return 8252;   // encoding error
    case -4: return 8253;   // decoding error
    case -5: return 1460;   // timeout: ERROR_TIMEOUT
    case -6: return 8234;   // unknown authentication method
    case -7: return 8254;   // filter error: ERROR_DS_FILTER_UNKNOWN
    case -8: return 1223;   // cancelled: ERROR_CANCELLED
    case -9: return 8255;   // parameter error: ERROR_DS_PARAM_ERROR
    case -10: return 8;     // no memory: ERROR_NOT_ENOUGH_MEMORY
    case -11: return 1225;  // connect error: ERROR_CONNECTION_REFUSED
    case -12: return 8256;  // not supported
    case -13: return 8258;  // control not found
    case -14: return 8257;  // no results returned
    case -15: return 234;   // more results to return: ERROR_MORE_DATA
    case -16: return 8259;  // client loop
    case -17: return 8260;  // referral limit exceeded
    default: return 31;     // ERROR_GEN_FAILURE
  }
}

}  // namespace vexa::directory
