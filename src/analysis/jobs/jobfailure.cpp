#include "analysis/jobs/jobfailure.h"

#include <new>

JobFailure JobFailure::of(std::exception_ptr error) {
    JobFailure failure;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        failure.kind = Kind::OutOfMemory;
    } catch (const AnalysisError& e) {
        failure.kind = Kind::Analysis;
        failure.analysis = e;
    } catch (const std::exception& e) {
        failure.detail = QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    return failure;
}
